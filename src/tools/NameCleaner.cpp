#include "tools/NameCleaner.h"

#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

#include <QSet>

namespace {

struct TSplitPath {
    QString Folder; // with its trailing separator, empty for a bare name
    QString Base;
    QString Extension; // from the last ".", the dot included
};

TSplitPath SplitPath(const QString& path) {
    TSplitPath s;
    const qsizetype slash = path.lastIndexOf(kPathDelim);
    s.Folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    s.Base = dot < 0 ? name : name.left(dot);
    s.Extension = dot < 0 ? QString() : name.mid(dot);
    return s;
}

// A name made of the extension alone would hide the file here.
QString NameError(const QString& to) {
    return SplitPath(to).Base.isEmpty() ? Tr("the cleaned name would be empty") : QString();
}

// Empty when renamed, else why not.
QString Rename(const QString& from, const QString& to) {
    if (const QString error = NameError(to); !error.isEmpty()) return error;
    QString error;
    if (WideRenameFile(from, to, &error)) return QString();
    if (!WideFileExists(from)) return MissingFileReason(from);
    return error.isEmpty() ? Tr("not renamed") : error;
}

bool SameFile(const QString& a, const QString& b) {
    TFileIdentity ia, ib;
    return WideRegularFile(a, &ia) && WideRegularFile(b, &ib) && ia == ib;
}

// The outcome of a rename as a run would find it, for a dry run: the names earlier
// entries take or leave count as the run would have left them.
class TRenamePlan {
public:
    QString Check(const QString& from, const QString& to) const {
        if (const QString error = NameError(to); !error.isEmpty()) return error;
        if (!WideFileExists(from) || Vacated.contains(from)) return MissingFileReason(from);
        if (Taken.contains(to)) return Tr("the target exists");
        if (WideFileExists(to) && !Vacated.contains(to) && !SameFile(from, to))
            return Tr("the target exists");
        return QString();
    }
    void Rename(const QString& from, const QString& to) {
        Vacated.insert(from);
        Vacated.remove(to);
        Taken.insert(to);
        Taken.remove(from);
    }

private:
    QSet<QString> Taken, Vacated;
};

} // namespace

QString CleanedFilePath(const QString& path, const TCleanOptions& options) {
    const TSplitPath s = SplitPath(path);
    return s.Folder + CleanText(TrimText(s.Base), options) + s.Extension.toLower();
}

TNameCleanerResult RunNameCleaner(const TNameCleanerOptions& options, TProgress& progress,
                                  TPrompter& prompter) {
    TNameCleanerResult result;
    // The caller's list may change while pending events run; the run keeps its own copy.
    const QStringList paths = options.Paths;
    if (paths.isEmpty()) {
        prompter.ShowPlainMessage(Tr("Empty File List"));
        return result;
    }
    result.Ran = true;
    const int total = int(paths.size());
    TRenamePlan plan;
    result.Stopped = !ForEachFile(paths, progress, [&](int i) {
        TNameCleanEntry entry;
        entry.OldPath = paths[i];
        entry.NewPath = CleanedFilePath(entry.OldPath, options.Clean);
        if (entry.NewPath != entry.OldPath) {
            entry.Error = options.DryRun ? plan.Check(entry.OldPath, entry.NewPath)
                                         : Rename(entry.OldPath, entry.NewPath);
            if (entry.Error.isEmpty()) {
                entry.Outcome = TCleanOutcome::Changed;
                plan.Rename(entry.OldPath, entry.NewPath);
                ++result.Renamed;
            } else {
                entry.Outcome = TCleanOutcome::Failed;
                ++result.Failed;
                result.Failures.append({entry.OldPath, entry.Error});
            }
        }
        if (options.FileDone) options.FileDone(i, entry);
        result.Files.append(std::move(entry));
    });
    progress.SetPosition(0);
    TellRunEnd(prompter, result.Failures, int(result.Files.size()), total, result.Stopped,
               Tr("%1 of %2 files could not be renamed:"));
    return result;
}

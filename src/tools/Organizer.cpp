#include "tools/Organizer.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "platform/Platform.h"
#include "platform/SettingsValues.h"
#include "tags/MetaTag.h"
#include "tools/BatchReport.h"
#include "tools/Patterns.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"
#include "tools/SafeNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

#include <cerrno>
#include <cstring>

namespace {

// Placeholders and the unified field each needs.
struct TNeed {
    const char* Placeholder;
    const char* Field;
};
constexpr TNeed kSubfolderNeeds[] = {
    {"%1", "artist"}, {"%3", "album"}, {"%4", "year"}, {"%5", "genre"}};
constexpr TNeed kFileNameNeeds[] = {{"%1", "artist"}, {"%3", "album"}, {"%4", "year"},
                                    {"%2", "title"},  {"%5", "genre"}, {"%6", "track"}};

template <size_t N>
QStringList Missing(const QString& pattern, const TMetaTag& tag, const TNeed (&needs)[N]) {
    QStringList missing;
    for (const TNeed& n : needs)
        if (pattern.contains(QLatin1String(n.Placeholder)) &&
            tag.Value(QLatin1String(n.Field)).isEmpty())
            missing.append(QLatin1String(n.Field));
    return missing;
}

// What one run knows of the file system: the folders known to exist (each checked once
// per run), the targets this run's files took, and in a dry run the sources that the
// planned moves have freed.
class TRunView {
public:
    explicit TRunView(bool dryRun) : FDryRun(dryRun) {}

    // Creates each missing level below `base`; false with the reason when one cannot be.
    bool EnsureFolder(const QString& base, const QStringList& parts, QString* why) {
        QString path = base;
        for (const QString& part : parts) {
            path = WideIncludeTrailingBackslash(path) + part;
            if (FFolders.contains(path)) continue;
            if (!WideDirectoryExists(path) && !FDryRun && !WideCreateDir(path)) {
                const int err = errno;
                if (!WideDirectoryExists(path)) {
                    *why = Tr("the folder %1 could not be created: %2")
                               .arg(path, QString::fromLocal8Bit(std::strerror(err)));
                    return false;
                }
            }
            FFolders.insert(path);
        }
        return true;
    }

    // Why `target` cannot take the file now at `source`; empty when it is free.
    QString Blocked(const QString& target, const QString& source) const {
        if (FTaken.contains(target)) return Tr("another file of this run was given the same name");
        if (!FDryRun || FFreed.contains(target)) return QString();
        // The source itself under another letter case, on a file system that ignores it.
        if (target.compare(source, Qt::CaseInsensitive) == 0) return QString();
        const QFileInfo there(target);
        return there.exists() || there.isSymLink() ? Tr("the target exists") : QString();
    }

    void Took(const QString& source, const QString& target) {
        FTaken.insert(target);
        FFreed.remove(target);
        if (FDryRun) FFreed.insert(source);
    }

private:
    bool FDryRun;
    QSet<QString> FFolders;
    QSet<QString> FTaken;
    QSet<QString> FFreed;
};

struct TRun {
    const TOrganizerOptions& Options;
    QString Base; // without its trailing separator
    TRunView View;
};

// The unified tags of a file; false with the reason when it has none to give.
bool ReadTags(const QString& path, bool keepGoing, TMetaTag& meta, QString& why) {
    if (!WideFileExists(path)) {
        why = Tr("No such file");
        return false;
    }
    TAudioFile af;
    af.SetFileName(path);
    try {
        if (!af.Open()) {
            why = Tr("Unknown audio format");
            return false;
        }
        meta.FromFileTags(af.Reader->Tags, TMetaTag::FamilyOf(WideExtractFileExt(path, true)));
        af.Close();
        return true;
    } catch (const ESonvaleError& e) {
        af.Close();
        if (!keepGoing) throw;
        why = e.Message;
    } catch (const std::exception& e) {
        af.Close();
        if (!keepGoing) throw;
        why = QString::fromLocal8Bit(e.what());
    }
    return false;
}

TOrganizedFile OrganizeOne(TRun& run, int index, const QString& path) {
    const TOrganizerOptions& o = run.Options;
    TOrganizedFile file;
    file.Index = index;
    file.OldPath = path;
    // A relative path (from the command line) would otherwise lose its folder.
    const QString source = QDir::isRelativePath(path) ? QFileInfo(path).absoluteFilePath() : path;
    TMetaTag meta;
    if (!ReadTags(source, o.KeepGoing, meta, file.Reason)) return file;
    auto value = [&meta](const char* name) { return meta.Value(QLatin1String(name)); };

    QStringList missing;
    if (o.Move) missing = MissingSubfolderTags(o.SubDirPattern, meta);
    if (o.Rename)
        for (const QString& m : MissingFileNameTags(o.RenamePattern, meta))
            if (!missing.contains(m)) missing.append(m);
    if (!missing.isEmpty()) {
        file.Status = TOrganizeStatus::IncompleteTags;
        file.Reason = Tr("incomplete tags: no %1").arg(missing.join(QStringLiteral(", ")));
        return file;
    }

    QString folder;
    QStringList parts;
    if (o.Move) {
        QString sub = SanitizeFileName(ExpandPattern(o.SubDirPattern, value("artist"),
                                                     value("album"), kSubfolderPatternSkip,
                                                     value("genre"), value("year"), QString(), 1),
                                       QStringLiteral("\\"))
                          .trimmed();
        if (sub.endsWith(QLatin1Char('.'))) sub.chop(1);
        if (!SafeFolderParts(sub, parts, &file.Reason)) return file;
        folder = parts.isEmpty() ? run.Base
                                 : WideIncludeTrailingBackslash(run.Base) + parts.join(kPathDelim);
    } else {
        // The file's own folder as it is: a trailing dot here names the folder it is in.
        folder = WideExtractFileDir(source);
        if (folder.isEmpty()) folder = QString(kPathDelim);
    }

    QString name = WideExtractFileName(source);
    if (o.Rename) {
        bool plain = false;
        int track = value("track").toInt(&plain, 10);
        if (!plain) track = 1;
        const QString expanded =
            SanitizeFileName(ExpandPattern(o.RenamePattern, value("artist"), value("album"),
                                           QString(), value("genre"), value("year"), value("title"),
                                           track))
                .trimmed();
        name = SafeFileName(expanded, WideExtractFileExt(source));
        if (name.isEmpty()) {
            file.Reason = Tr("the tags give an empty file name");
            return file;
        }
    }
    const QString target = WideIncludeTrailingBackslash(folder) + name;
    file.NewPath = target;
    if (target == source) {
        file.Status = TOrganizeStatus::Unchanged;
        return file;
    }
    file.Reason = run.View.Blocked(target, source);
    if (!file.Reason.isEmpty()) return file;
    if (o.Move && !run.View.EnsureFolder(run.Base, parts, &file.Reason)) return file;
    if (!o.DryRun && !WideRenameFile(source, target, &file.Reason)) return file;
    run.View.Took(source, target);
    file.Reason.clear();
    file.Status = WideExtractFileDir(target) == WideExtractFileDir(source)
                      ? TOrganizeStatus::Renamed
                      : TOrganizeStatus::Moved;
    return file;
}

QString FailureText(const QList<TOrganizedFile>& failures) {
    QStringList lines;
    for (const TOrganizedFile& f : failures)
        lines << f.OldPath + QStringLiteral(": ") + f.Reason;
    return FailureListText(Tr("%1 files could not be moved or renamed:").arg(failures.size()),
                           lines);
}

} // namespace

QStringList MissingSubfolderTags(const QString& pattern, const TMetaTag& tag) {
    return Missing(pattern, tag, kSubfolderNeeds);
}

QStringList MissingFileNameTags(const QString& pattern, const TMetaTag& tag) {
    return Missing(pattern, tag, kFileNameNeeds);
}

TOrganizerOptions OrganizerOptionsFromSettings() {
    TSettingsValues values;
    if (auto store = platform::OpenSettings()) LoadSettingsValues(*store, values);
    TOrganizerOptions options;
    options.RenamePattern = values.OrganizerRenamePattern;
    options.SubDirPattern = values.OrganizerSubDirPattern;
    options.BaseDir = values.OrganizerBaseDir;
    return options;
}

TOrganizerResult RunOrganizer(const TOrganizerOptions& options, TProgress& progress,
                              TPrompter& prompter) {
    TOrganizerResult result;
    TRun run{options, QString(), TRunView(options.DryRun)};
    if (options.Move) {
        run.Base = options.BaseDir;
        if (run.Base.size() > 1 && run.Base.endsWith(kPathDelim)) run.Base.chop(1);
        if (!WideDirectoryExists(run.Base)) {
            prompter.ShowPlainMessage(Tr("Invalid Output Directory. Please use the "
                                         "Setup form to choose a valid output "
                                         "directory."));
            return result;
        }
    }
    result.Ran = true;
    // The caller's list may change while pending events run; the run keeps its own copy.
    const QStringList paths = options.Paths;
    result.Total = int(paths.size());
    progress.SetRange(result.Total);
    for (int i = 0; i < result.Total; ++i) {
        const TOrganizedFile file = OrganizeOne(run, i, paths[i]);
        switch (file.Status) {
        case TOrganizeStatus::Moved:
            ++result.Moved;
            break;
        case TOrganizeStatus::Renamed:
            ++result.Renamed;
            break;
        case TOrganizeStatus::Unchanged:
            ++result.Unchanged;
            break;
        case TOrganizeStatus::IncompleteTags:
            result.IncompleteTags.append(file.OldPath);
            break;
        case TOrganizeStatus::Failed:
            result.Failures.append(file);
            break;
        }
        if (options.FileDone) options.FileDone(file);
        progress.SetPosition(i + 1);
    }
    progress.SetPosition(0);
    if (!result.Failures.isEmpty())
        prompter.ShowMessageBox(FailureText(result.Failures), mbOk, mkWarning);
    if (!result.IncompleteTags.isEmpty())
        result.LoadIntoEditor = prompter.AskQuestion(
            Tr("%1 files could not be moved or renamed due to incomplete tags. Do you want "
               "to load this list into the tag editor ?")
                .arg(result.IncompleteTags.size()));
    else if (result.Failures.isEmpty())
        prompter.ShowPlainMessage(Tr("Done !"));
    return result;
}

#include "tools/MultiTagger.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

#include <QFileInfo>
#include <QHash>

namespace {

// The names of the empty value fields, as the panel labels them.
QStringList EmptyFields(const TMultiTaggerOptions& o) {
    QStringList names;
    const std::pair<const char*, const QString*> fields[] = {{"Artist", &o.Artist},
                                                             {"Album", &o.Album},
                                                             {"Year", &o.Year},
                                                             {"Genre", &o.Genre},
                                                             {"Comments", &o.Comments}};
    for (const auto& [name, value] : fields)
        if (value->isEmpty()) names.append(QString::fromLatin1(name));
    return names;
}

} // namespace

QList<int> MultiTaggerTrackNumbers(const QStringList& paths, bool perFolder) {
    QList<int> numbers;
    numbers.reserve(paths.size());
    QHash<QString, int> perFolderCount;
    for (qsizetype i = 0; i < paths.size(); ++i)
        numbers.append(perFolder ? ++perFolderCount[QFileInfo(paths[i]).path()] : int(i) + 1);
    return numbers;
}

TMultiTaggerResult RunMultiTagger(const TMultiTaggerOptions& options, TProgress& progress,
                                  TPrompter& prompter) {
    TMultiTaggerResult result;
    const QStringList& paths = options.Paths;
    if (paths.isEmpty()) return result;
    const int kinds = options.Kinds & 15;
    if (kinds == 0) {
        prompter.ShowPlainMessage(Tr("No tags selected."));
        return result;
    }
    if (options.ConfirmErase) {
        const QStringList empty = EmptyFields(options);
        const QString files =
            paths.size() == 1 ? Tr("the file") : Tr("the %1 files").arg(paths.size());
        if (!empty.isEmpty() &&
            !prompter.AskWarning(
                Tr("These fields are empty and will be erased in %1: %2.\n\nContinue ?")
                    .arg(files, empty.join(QStringLiteral(", ")))))
            return result;
    }
    result.Ran = true;
    result.Total = int(paths.size());
    const QList<int> tracks = MultiTaggerTrackNumbers(paths, options.NumberPerFolder);
    progress.SetRange(result.Total - 1);
    progress.SetPosition(0);
    for (int i = 0; i < result.Total; ++i) {
        const QString& path = paths[i];
        if (!NextItem(progress, i, result.Total, path)) {
            result.Stopped = true;
            break;
        }
        bool ok = false;
        QString error;
        // A file removed since it was listed is a failure like any file that does not
        // open, not an error that ends the run.
        if (!WideFileExists(path)) {
            error = Tr("No such file");
        } else {
            try {
                QStringList unified;
                QString title;
                const bool readable = ReadFileTags(path, unified);
                if (readable) title = FieldValue(unified, QStringLiteral("title"));
                ok = WriteFileTags(path, options.Artist, kinds, options.Comments,
                                   QString::asprintf("%d", tracks[i]), options.Genre, options.Year,
                                   options.Album, title);
                if (!ok) error = readable ? Tr("tags not written") : Tr("Unknown audio format");
            } catch (const ESonvaleError& e) {
                if (!options.KeepGoing) throw;
                error = e.Message;
            } catch (const std::exception& e) {
                if (!options.KeepGoing) throw;
                error = QString::fromLocal8Bit(e.what());
            }
        }
        if (ok)
            ++result.Written;
        else
            ++result.Failed;
        if (options.FileDone) options.FileDone(path, ok, error);
        progress.SetPosition(i);
    }
    const QString errors = Tr("Errors have occured while updating metatags");
    if (result.Stopped)
        prompter.ShowPlainMessage(StoppedMessage(result.Written + result.Failed, result.Total) +
                                  (result.Failed ? QStringLiteral("\n") + errors : QString()));
    else
        prompter.ShowPlainMessage(
            result.Failed == 0 ? Tr("MetaTags successfully upated in all files.") : errors);
    progress.SetPosition(0);
    return result;
}

bool LoadCommonTagValues(const QString& path, TCommonTagValues& values) {
    if (!WideFileExists(path)) return false;
    QStringList unified;
    try {
        if (!ReadFileTags(path, unified)) return false;
    } catch (const ESonvaleError&) {
        // A click only shows values; a file its reader refuses has none to show.
        return false;
    }
    values.Artist = FieldValue(unified, QStringLiteral("artist"));
    values.Album = FieldValue(unified, QStringLiteral("album"));
    values.Year = FieldValue(unified, QStringLiteral("year"));
    values.Genre = FieldValue(unified, QStringLiteral("genre"));
    return true;
}

#include "tools/MultiTagger.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

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
    result.Ran = true;
    result.Total = int(paths.size());
    progress.SetRange(result.Total - 1);
    progress.SetPosition(0);
    for (int i = 0; i < result.Total; ++i) {
        const QString& path = paths[i];
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
                                   QString::asprintf("%d", i + 1), options.Genre, options.Year,
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
    prompter.ShowPlainMessage(result.Failed == 0
                                  ? Tr("MetaTags successfully upated in all files.")
                                  : Tr("Errors have occured while updating metatags"));
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

#include "tools/IncompleteTags.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "tags/FieldList.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

namespace {

void ScanFile(const QStringList& fields, TIncompleteEntry& entry) {
    if (!WideFileExists(entry.Path)) {
        entry.Error = MissingFileReason(entry.Path);
        return;
    }
    QStringList unified;
    if (!ReadFileTags(entry.Path, unified)) {
        entry.Error = Tr("Unknown audio format");
        return;
    }
    for (const QString& field : fields)
        if (FieldValue(unified, field).isEmpty()) entry.Missing.append(field);
}

} // namespace

QStringList IncompleteFieldNames() {
    return {QStringLiteral("title"), QStringLiteral("artist"), QStringLiteral("album"),
            QStringLiteral("genre"), QStringLiteral("year"),   QStringLiteral("track")};
}

TIncompleteResult FindIncompleteTags(const TIncompleteOptions& options, TProgress& progress,
                                     TPrompter& prompter) {
    TIncompleteResult result;
    QStringList fields;
    for (const QString& name : IncompleteFieldNames())
        if (options.Fields.contains(name, Qt::CaseInsensitive)) fields.append(name);
    const QStringList paths = options.Paths; // the caller's list may change meanwhile
    const int total = int(paths.size());
    progress.SetPosition(0);
    result.Stopped = !ForEachFile(paths, progress, [&](int i) {
        TIncompleteEntry entry;
        entry.Path = paths[i];
        if (const QString error =
                FileStepError(options.KeepGoing, [&] { ScanFile(fields, entry); });
            !error.isEmpty())
            entry.Error = error;
        if (!entry.Error.isEmpty())
            result.Failures.append({entry.Path, entry.Error});
        else if (!entry.Missing.isEmpty())
            result.Listed.append(entry.Path);
        if (options.FileDone) options.FileDone(i, entry);
        result.Files.append(std::move(entry));
    });
    TellRunEnd(prompter, result.Failures, int(result.Files.size()), total, result.Stopped,
               Tr("%1 of %2 files could not be read:"));
    return result;
}

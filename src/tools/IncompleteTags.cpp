#include "tools/IncompleteTags.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
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
        entry.Error = QStringLiteral("Unknown audio format");
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
    progress.SetRange(total);
    progress.SetPosition(0);
    for (int i = 0; i < total; ++i) {
        if (progress.Cancelled()) {
            result.Stopped = true;
            break;
        }
        TIncompleteEntry entry;
        entry.Path = paths[i];
        try {
            ScanFile(fields, entry);
        } catch (const ESonvaleError& e) {
            entry.Error = e.Message;
        } catch (const std::exception& e) {
            entry.Error = QString::fromLocal8Bit(e.what());
        }
        if (!entry.Error.isEmpty())
            result.Failures.append({entry.Path, entry.Error});
        else if (!entry.Missing.isEmpty())
            result.Listed.append(entry.Path);
        if (options.FileDone) options.FileDone(i, entry);
        result.Files.append(std::move(entry));
        progress.SetPosition(i + 1);
    }
    if (!result.Failures.isEmpty())
        prompter.ShowMessageBox(FailureListText(QStringLiteral("%1 of %2 files could not be read:")
                                                    .arg(result.Failures.size())
                                                    .arg(total),
                                                result.Failures),
                                mbOk, mkError);
    return result;
}

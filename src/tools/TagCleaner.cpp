#include "tools/TagCleaner.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

namespace {

// Cleans one file; the entry's Error is empty when it was done.
void CleanFile(const TTagCleanerOptions& options, TTagCleanEntry& entry) {
    const QString& path = entry.Path;
    if (!WideFileExists(path)) {
        entry.Error = MissingFileReason(path);
        return;
    }
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) {
        entry.Error = QStringLiteral("Unknown audio format");
        return;
    }
    TAbstractAudioFile& reader = *af.Reader;
    const int family = TMetaTag::FamilyOf(WideExtractFileExt(path, true));
    const int chosen = options.Kinds & 15;
    const int write = chosen & WritableTagKinds(af.FormatCode, reader.TagKinds);
    if (family == tfNone || write == 0) {
        // Removing the other kinds would leave the file without tags.
        entry.Error = QStringLiteral("none of the chosen tag kinds can be written to this file");
        return;
    }
    TMetaTag meta;
    meta.FromFileTags(reader.Tags, family);
    for (const QString& field : TagCleanerFields()) {
        const QString old = meta.Value(field);
        const QString cleaned = CleanText(old, options.Clean);
        if (cleaned == old) continue;
        entry.Changes.append({field, old, cleaned});
        meta.SetValue(field, cleaned);
    }
    entry.Outcome = entry.Changes.isEmpty() ? TCleanOutcome::Unchanged : TCleanOutcome::Changed;
    if (options.DryRun) return;
    // The other kinds go in the same write: a failure leaves every tag as it was.
    TTagWriteOptions how;
    how.Remove = tkAllRemoved & ~chosen;
    if (!WriteOpenFileTags(af, meta, write, how))
        entry.Error = QStringLiteral("the tags could not be written");
}

} // namespace

QStringList TagCleanerFields() {
    return {QStringLiteral("artist"),  QStringLiteral("title"), QStringLiteral("album"),
            QStringLiteral("year"),    QStringLiteral("genre"), QStringLiteral("track"),
            QStringLiteral("comments")};
}

TTagCleanerResult RunTagCleaner(const TTagCleanerOptions& options, TProgress& progress,
                                TPrompter& prompter) {
    TTagCleanerResult result;
    const QStringList paths = options.Paths; // the caller's list may change meanwhile
    if (paths.isEmpty()) return result;
    if ((options.Kinds & 15) == 0) {
        prompter.ShowPlainMessage(QStringLiteral("No tags selected."));
        return result;
    }
    result.Ran = true;
    const int total = int(paths.size());
    result.Stopped = !ForEachFile(total, progress, [&](int i) {
        TTagCleanEntry entry;
        entry.Path = paths[i];
        if (const QString error =
                FileStepError(options.KeepGoing, [&] { CleanFile(options, entry); });
            !error.isEmpty())
            entry.Error = error;
        if (entry.Error.isEmpty()) {
            if (!options.DryRun) ++result.Written;
        } else {
            entry.Outcome = TCleanOutcome::Failed;
            ++result.Failed;
            result.Failures.append({entry.Path, entry.Error});
        }
        if (options.FileDone) options.FileDone(i, entry);
        result.Files.append(std::move(entry));
    });
    progress.SetPosition(0);
    TellFailures(prompter, result.Failures, total, QStringLiteral("cleaned"));
    return result;
}

#include "tools/TagCleaner.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

namespace {

// The tag kinds a reader of the format writes.
int WritableKinds(uint8_t formatCode) {
    switch (formatCode) {
    case fcOgg:
        return tkVorbis;
    case fcWma:
        return 0;
    default:
        return tkId3v1 | tkId3v2 | tkApeV2;
    }
}

// The one tag change of a cleaned file: `lines` written as the kinds `write` (each keeping
// what it holds beyond those lines), then the kinds `remove` dropped. Writing first means
// a failure never leaves the file without its tags; the file's single all-or-nothing
// remove-and-write belongs here once the readers offer it. Empty when done, else why not.
QString ChangeTagKinds(TAbstractAudioFile& reader, const QStringList& lines, int remove,
                       int write) {
    reader.Tags = lines;
    if (!reader.WriteTags(write)) return QStringLiteral("tags not written");
    if (remove != 0 && !reader.RemoveTags(remove))
        return QStringLiteral("cleaned tags written, but the other tag kinds not removed");
    return QString();
}

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
    const int write = chosen & WritableKinds(af.FormatCode);
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
    meta.ToFileTags(family);
    entry.Error = ChangeTagKinds(reader, MergeFamilyLines(reader.Tags, meta.Fields, family),
                                 tkAllRemoved & ~chosen, write);
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
        if (const QString error = FileStepError(true, [&] { CleanFile(options, entry); });
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

#include "tools/TagCleaner.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "audio/TagWriter.h"
#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

namespace {

// `lines` with every value of the seven fields cleaned, each of a field that holds
// several. A value cleaned to nothing clears its field; among Vorbis comments, which are
// exactly the lines, that is no line at all.
QStringList CleanFieldLines(const QStringList& lines, int family, int kind,
                            const TCleanOptions& clean) {
    const QStringList names = TMetaTag::FamilyNames(family);
    QStringList out;
    for (const QString& line : lines) {
        const QString name = FieldName(line);
        if (!names.contains(name, Qt::CaseInsensitive)) {
            out << line;
            continue;
        }
        const QString value = CleanText(FieldValueOf(line), clean);
        if (!value.isEmpty() || kind != tkVorbis) out << name + QLatin1Char('=') + value;
    }
    return out;
}

// The cleaned tags as the kinds `write`, the kinds `remove` dropped, in one operation: a
// failure leaves every tag as it was. A written kind takes the main tag's values; where it
// agrees with them it keeps its own lines (several values of a field included), and where
// the main tag has no value it keeps its own. Everything else it holds stays.
bool WriteCleanedTags(TAbstractAudioFile& reader, int family, const TCleanOptions& clean, int write,
                      int remove) {
    TMetaTag main;
    main.FromFileTags(reader.Tags, family);
    const QStringList mainLines = reader.Tags;
    TTagChange change;
    change.Write = write;
    change.Remove = remove & ~write;
    change.Fields = CleanFieldLines(mainLines, family, 0, clean);
    change.Compose = [&](int kind, const QStringList* present) {
        if (!present) return CleanFieldLines(mainLines, family, kind, clean);
        TMetaTag own;
        own.FromFileTags(*present, family);
        TMetaTag target = own;
        for (const QString& line : main.Fields)
            if (!FieldValueOf(line).isEmpty()) target.SetValue(FieldName(line), FieldValueOf(line));
        target.ToFileTags(family);
        return CleanFieldLines(MergeFamilyLines(*present, target.Fields, family, &own.Fields),
                               family, kind, clean);
    };
    return reader.ChangeTags(change);
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
        entry.Error = Tr("Unknown audio format");
        return;
    }
    TAbstractAudioFile& reader = *af.Reader;
    const int family = TMetaTag::FamilyOf(WideExtractFileExt(path, true));
    const int chosen = options.Kinds & 15;
    const int write = chosen & WritableTagKinds(af.FormatCode, reader.TagKinds);
    if (family == tfNone || write == 0) {
        // Removing the other kinds would leave the file without tags.
        entry.Error = Tr("none of the chosen tag kinds can be written to this file");
        return;
    }
    // What the file shows changes as the main tag's values do.
    TMetaTag meta;
    meta.FromFileTags(reader.Tags, family);
    for (const QString& field : TagCleanerFields()) {
        const QString old = meta.Value(field);
        const QString cleaned = CleanText(old, options.Clean);
        if (cleaned == old) continue;
        entry.Changes.append({field, old, cleaned});
    }
    entry.Outcome = entry.Changes.isEmpty() ? TCleanOutcome::Unchanged : TCleanOutcome::Changed;
    if (options.DryRun) return;
    if (!WriteCleanedTags(reader, family, options.Clean, write, tkAllRemoved & ~chosen))
        entry.Error = Tr("the tags could not be written");
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
        prompter.ShowPlainMessage(Tr("No tags selected."));
        return result;
    }
    result.Ran = true;
    const int total = int(paths.size());
    result.Stopped = !ForEachFile(paths, progress, [&](int i) {
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
    TellRunEnd(prompter, result.Failures, int(result.Files.size()), total, result.Stopped,
               Tr("%1 of %2 files could not be cleaned:"));
    return result;
}

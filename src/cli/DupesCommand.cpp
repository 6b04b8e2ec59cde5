#include "cli/CliCommon.h"

#include "tools/Duplicates.h"
#include "tools/HashScanner.h"
#include "tools/Progress.h"

#include <QJsonArray>
#include <QJsonObject>
#include <memory>

namespace {

const char* const kDupesUsage =
    "sonvale-cli dupes [--json] [--delete-all-but-first] [--dry-run] PATH...";

const char* const kDupesHelp =
    "\nFinds copies of one recording as the duplicates finder does: a fingerprint of\n"
    "each file (SHA-1 of the first 64 KiB of audio data after a leading ID3v2 tag),\n"
    "then, for files whose fingerprints match, the SHA-1 of the whole audio data\n"
    "between the leading and the trailing tags, so copies that differ only in their\n"
    "tags are grouped and recordings that merely start alike are not. Prints each\n"
    "group's digest and its files in the order given (folders walked recursively,\n"
    "supported extensions only, as \"Add Folder\" does).\n"
    "--delete-all-but-first moves every file of a group but the first to the trash;\n"
    "with --dry-run it only tells which. --json prints one JSON object per group\n"
    "({\"digest\", \"files\"}, with \"trashed\" or \"would_trash\" and \"failed\") and one\n"
    "{\"path\", \"error\"} per file that could not be read.\n"
    "Exit status 1 when a file could not be read or moved to the trash.\n";

} // namespace

int RunDupes(const QStringList& args) {
    TCliArgs parsed;
    const QStringList flags{QStringLiteral("json"), QStringLiteral("delete-all-but-first"),
                            QStringLiteral("dry-run")};
    if (const int status = SplitCliArgs(args, kDupesUsage, kDupesHelp, parsed, flags); status >= 0)
        return status;
    if (!parsed.Options.isEmpty())
        return UsageError(QLatin1String(kDupesUsage),
                          QStringLiteral("unknown option '--%1'").arg(parsed.Options[0].first));
    const bool json = parsed.Has("json"), trashRest = parsed.Has("delete-all-but-first"),
               dryRun = parsed.Has("dry-run");
    if (parsed.Paths.isEmpty())
        return UsageError(QLatin1String(kDupesUsage), QStringLiteral("no PATH given"));

    int status = kExitOk;
    auto fail = [&](const QString& path, const QString& error) {
        PrintFileError(json, path, error);
        status = kExitFailure;
    };
    QStringList refused;
    TFingerprintScanOptions options;
    options.Paths = ListToolFiles(parsed.Paths, refused);
    for (const QString& p : refused)
        fail(p, QStringLiteral("not a file the duplicates finder lists"));

    std::unique_ptr<TCliProgress> shown;
    int shownStage = -1;
    options.Step = [&](int stage, int done, int total, const QString& path) {
        if (stage != shownStage) {
            shown.reset();
            shown = std::make_unique<TCliProgress>(total);
            shownStage = stage;
        }
        shown->Step(done - 1, path);
    };
    const TFingerprintScan scan = ScanFingerprints(options);
    shown.reset();
    for (qsizetype i = 0; i < scan.Paths.size(); ++i)
        if (!scan.Errors[i].isEmpty()) fail(scan.Paths[i], scan.Errors[i]);

    const QStringList groups = BuildGroups(scan.Digests);
    TNullProgress none;
    for (const QString& code : groups) {
        QStringList files;
        for (int i : GroupMembers(scan.Digests, code))
            files << scan.Paths[i];
        QJsonObject o{{QStringLiteral("digest"), code},
                      {QStringLiteral("files"), QJsonArray::fromStringList(files)}};
        QString text = code + QLatin1Char('\n');
        QStringList notes(files.size());
        if (trashRest && dryRun) {
            o[QStringLiteral("would_trash")] = QJsonArray::fromStringList(files.mid(1));
            for (qsizetype i = 1; i < files.size(); ++i)
                notes[i] = QStringLiteral(" (would be moved to the trash)");
        } else if (trashRest) {
            const TTrashResult r = MoveFilesToTrash(files.mid(1), none);
            o[QStringLiteral("trashed")] = QJsonArray::fromStringList(r.Moved);
            QJsonArray failed;
            for (qsizetype i = 0; i < r.Failed.size(); ++i) {
                failed.append(QJsonObject{{QStringLiteral("path"), r.Failed[i]},
                                          {QStringLiteral("error"), r.Errors[i]}});
                notes[files.indexOf(r.Failed[i])] =
                    QStringLiteral(" (not moved to the trash: %1)").arg(r.Errors[i]);
                status = kExitFailure;
            }
            for (const QString& m : r.Moved)
                notes[files.indexOf(m)] = QStringLiteral(" (moved to the trash)");
            o[QStringLiteral("failed")] = failed;
        }
        for (qsizetype i = 0; i < files.size(); ++i)
            text += QStringLiteral("  %1%2\n").arg(files[i], notes[i]);
        if (json)
            PrintJsonLine(o);
        else
            PrintOut(text);
    }
    if (!json)
        PrintOut(groups.isEmpty()
                     ? QStringLiteral("No duplicates found.\n")
                     : QStringLiteral("%1 groups of duplicates found.\n").arg(groups.size()));
    return status;
}

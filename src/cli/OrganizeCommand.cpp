#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "tools/Organizer.h"
#include "tools/Progress.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const char* const kOrganizeUsage =
    "sonvale-cli organize [--rename PATTERN] [--move BASEDIR] [--subfolders PATTERN]\n"
    "                     [--dry-run] [--json] PATH...";

const char* const kOrganizeHelp =
    "\n--rename gives each file a name from PATTERN, --move moves it into BASEDIR plus the\n"
    "folders of the subfolder pattern (\"\\\" or \"/\" between levels). An empty value takes\n"
    "the settings' pattern or base folder, as does --subfolders left out. Placeholders:\n"
    "%1 artist, %2 title, %3 album, %4 year, %5 genre, %6 track number.\n"
    "A file is never moved over another one; files whose tags lack a value the patterns\n"
    "need are left alone. --dry-run prints every planned move and changes nothing;\n"
    "--json prints one object per file (old, new, status, reason).\n"
    "Folders are walked recursively. Exit status 1 when any file was not handled.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kOrganizeUsage), problem);
}

QString StatusName(TOrganizeStatus status, bool dryRun) {
    switch (status) {
    case TOrganizeStatus::Moved:
        return dryRun ? QStringLiteral("would move") : QStringLiteral("moved");
    case TOrganizeStatus::Renamed:
        return dryRun ? QStringLiteral("would rename") : QStringLiteral("renamed");
    case TOrganizeStatus::Unchanged:
        return QStringLiteral("unchanged");
    case TOrganizeStatus::IncompleteTags:
    case TOrganizeStatus::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString JsonStatus(TOrganizeStatus status) {
    return StatusName(status, false);
}

} // namespace

int RunOrganize(const QStringList& args) {
    TCliArgs parsed;
    if (const int status = SplitCliArgs(args, kOrganizeUsage, kOrganizeHelp, parsed,
                                        {QStringLiteral("dry-run"), QStringLiteral("json")});
        status >= 0)
        return status;
    TOrganizerOptions options = OrganizerOptionsFromSettings();
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("rename")) {
            options.Rename = true;
            if (!value.isEmpty()) options.RenamePattern = value;
        } else if (opt == QLatin1String("move")) {
            options.Move = true;
            if (!value.isEmpty()) options.BaseDir = QFileInfo(value).absoluteFilePath();
        } else if (opt == QLatin1String("subfolders")) {
            // "/" cannot be in a folder name, so on the command line it separates levels too.
            if (!value.isEmpty()) options.SubDirPattern = QString(value).replace('/', '\\');
        } else {
            return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
        }
    }
    if (parsed.Paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));
    options.DryRun = parsed.Has("dry-run");
    const bool json = parsed.Has("json");

    int status = kExitOk;
    options.Paths = ListedFiles(parsed.Paths, status);
    options.KeepGoing = true;
    TCliProgress shown(int(options.Paths.size()));
    options.FileDone = [&](const TOrganizedFile& f) {
        shown.Step(f.Index, f.OldPath);
        const bool failed =
            f.Status == TOrganizeStatus::Failed || f.Status == TOrganizeStatus::IncompleteTags;
        if (failed) status = kExitFailure;
        if (json) {
            QJsonObject o;
            o[QStringLiteral("old")] = f.OldPath;
            o[QStringLiteral("new")] = f.NewPath;
            o[QStringLiteral("status")] = JsonStatus(f.Status);
            o[QStringLiteral("reason")] = f.Reason;
            PrintJsonLine(o);
        } else if (failed) {
            PrintOut(QStringLiteral("failed: %1: %2\n").arg(f.OldPath, f.Reason));
        } else if (f.Status == TOrganizeStatus::Unchanged) {
            PrintOut(QStringLiteral("unchanged: %1\n").arg(f.OldPath));
        } else {
            PrintOut(QStringLiteral("%1: %2 -> %3\n")
                         .arg(StatusName(f.Status, options.DryRun), f.OldPath, f.NewPath));
        }
    };
    TNullProgress progress;
    TCliRecordingPrompter prompter;
    prompter.Quiet = json;
    const TOrganizerResult result = RunOrganizer(options, progress, prompter);
    if (!result.Ran) return kExitUsage;
    return status;
}

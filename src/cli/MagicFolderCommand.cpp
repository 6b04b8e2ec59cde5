#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "tools/MagicFolder.h"
#include "tools/Progress.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

const char* const kMagicUsage = "sonvale-cli magic-folder [--out DIR] [--dry-run] [--json] PATH...";

const char* const kMagicHelp =
    "\nBuilds a folder of symbolic links to the songs, three ways at once: \"By Artist and\n"
    "Album\", \"By Album\" and \"By Artist\". The folder is DIR, or the program's MagicFolder\n"
    "in the user's data folder, which the desktop then links to as \"Sonvale Magic\n"
    "Folder\". Its old links, and folders left empty without them, are removed first;\n"
    "other files stay, and a folder holding other things than a magic folder is refused.\n"
    "Songs without an artist or album are left out. --dry-run prints every planned link\n"
    "and changes nothing; --json prints one object per link or failed song.\n"
    "Folders are walked recursively. Exit status 1 when a song or link failed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kMagicUsage), problem);
}

} // namespace

int RunMagicFolder(const QStringList& args) {
    TCliArgs parsed;
    if (const int status = SplitCliArgs(args, kMagicUsage, kMagicHelp, parsed,
                                        {QStringLiteral("dry-run"), QStringLiteral("json")});
        status >= 0)
        return status;
    TMagicCreateOptions create;
    for (const auto& [opt, value] : parsed.Options) {
        if (opt != QLatin1String("out") || value.isEmpty())
            return Usage(opt == QLatin1String("out")
                             ? QStringLiteral("--out needs a folder")
                             : QStringLiteral("unknown option '--%1'").arg(opt));
        create.BaseFolder = QFileInfo(value).absoluteFilePath();
    }
    if (parsed.Paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));
    if (create.BaseFolder.isEmpty()) {
        create.BaseFolder = DefaultMagicFolder();
        create.DesktopFolder = DesktopFolder();
    }
    create.DryRun = parsed.Has("dry-run");
    const bool json = parsed.Has("json");

    TMagicBuildOptions build;
    int status = kExitOk;
    build.Paths = ListedFiles(parsed.Paths, status);
    build.KeepGoing = true;
    TCliProgress shown(int(build.Paths.size()));
    int index = 0;
    build.SongDone = [&](const TMagicSong& song) {
        shown.Step(index++, song.Path);
        if (song.Added) return;
        status = kExitFailure;
        if (json)
            PrintJsonLine({{QStringLiteral("path"), song.Path},
                           {QStringLiteral("status"), QStringLiteral("failed")},
                           {QStringLiteral("reason"), song.Reason}});
        else
            PrintOut(QStringLiteral("failed: %1: %2\n").arg(song.Path, song.Reason));
    };
    create.LinkDone = [&](const TMagicLink& link) {
        if (!link.Made) status = kExitFailure;
        const QString what = !link.Made      ? QStringLiteral("failed")
                             : create.DryRun ? QStringLiteral("would link")
                                             : QStringLiteral("linked");
        if (json)
            PrintJsonLine({{QStringLiteral("link"), link.Link},
                           {QStringLiteral("target"), link.Target},
                           {QStringLiteral("status"), link.Made ? QStringLiteral("linked") : what},
                           {QStringLiteral("reason"), link.Reason}});
        else if (link.Made)
            PrintOut(QStringLiteral("%1: %2 -> %3\n").arg(what, link.Link, link.Target));
        else
            PrintOut(QStringLiteral("failed: %1: %2\n").arg(link.Link, link.Reason));
    };
    TNullProgress progress;
    TCliRecordingPrompter prompter;
    prompter.Quiet = json;
    TMagicTree tree;
    if (!build.Paths.isEmpty()) BuildMagicTree(build, tree, progress, prompter);
    tree.Sort();
    const TMagicCreateResult result = CreateMagicFolder(tree, create, progress, prompter);
    if (!result.Ran) return kExitFailure;
    return status;
}

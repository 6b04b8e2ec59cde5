#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "tools/MultiTagger.h"
#include "tools/Progress.h"

namespace {

const char* const kTagListUsage =
    "sonvale-cli tag-list --artist A --album B [--year Y] [--genre G] [--comments C]\n"
    "                     [--kinds N] PATH...";

const char* const kTagListHelp =
    "\nWrites one artist, album, year, genre and comments into every file, keeps each\n"
    "file's own title and numbers the tracks 1, 2, 3... in the order the files are\n"
    "given; a folder adds its audio files in name order, any letter case, each\n"
    "subfolder in its place (as \"Add Folder\" does).\n"
    "An empty value clears that field. N is the tag kinds bit set (1 ID3v1, 2 ID3v2,\n"
    "4 APEv2, 8 Vorbis comments; default 15); kinds a format lacks are skipped.\n"
    "Exit status 1 when any file failed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kTagListUsage), problem);
}

} // namespace

int RunTagList(const QStringList& args) {
    TMultiTaggerOptions options;
    bool haveArtist = false, haveAlbum = false;
    TCliArgs parsed;
    if (const int status = SplitCliArgs(args, kTagListUsage, kTagListHelp, parsed); status >= 0)
        return status;
    const QStringList& paths = parsed.Paths;
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("artist")) {
            options.Artist = value;
            haveArtist = true;
        } else if (opt == QLatin1String("album")) {
            options.Album = value;
            haveAlbum = true;
        } else if (opt == QLatin1String("year")) {
            // The panel's year field takes four characters.
            if (value.size() > 4)
                return Usage(
                    QStringLiteral("--year takes at most 4 characters, not '%1'").arg(value));
            options.Year = value;
        } else if (opt == QLatin1String("genre")) {
            options.Genre = value;
        } else if (opt == QLatin1String("comments")) {
            options.Comments = value;
        } else if (opt == QLatin1String("kinds")) {
            if (!ParseKindsOption(value, kTagListUsage, options.Kinds)) return kExitUsage;
        } else {
            return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
        }
    }
    if (!haveArtist) return Usage(QStringLiteral("--artist is needed (it may be empty)"));
    if (!haveAlbum) return Usage(QStringLiteral("--album is needed (it may be empty)"));
    if (paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));

    QStringList refused;
    options.Paths = ListToolFiles(paths, refused);
    for (const QString& p : refused)
        PrintErr(QStringLiteral("%1: skipped: not a file the tagger lists\n").arg(p));
    if (options.Paths.isEmpty()) {
        PrintErr(QStringLiteral("sonvale-cli: no audio files found\n"));
        return kExitFailure;
    }
    TCliProgress shown(int(options.Paths.size()));
    int done = 0;
    options.KeepGoing = true;
    options.FileDone = [&](const QString& path, bool ok, const QString& error) {
        shown.Step(done++, path);
        if (ok)
            PrintOut(QStringLiteral("%1: track %2\n").arg(path).arg(done));
        else
            PrintOut(QStringLiteral("%1: failed: %2\n")
                         .arg(path, error.isEmpty() ? QStringLiteral("tags not written") : error));
    };
    TNullProgress progress;
    TCliPrompter prompter;
    const TMultiTaggerResult result = RunMultiTagger(options, progress, prompter);
    return result.Ran && result.Failed == 0 && refused.isEmpty() ? kExitOk : kExitFailure;
}

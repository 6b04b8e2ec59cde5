#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"
#include "cli/CliWriters.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "tools/FolderScan.h"
#include "tools/Playlist.h"
#include "tools/PlaylistTools.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const char* const kPlaylistUsage =
    "sonvale-cli playlist create --out DIR --name NAME [--relative] [--dry-run] [--json]\n"
    "                            PATH...\n"
    "       sonvale-cli playlist check PLAYLIST [--save] [--relative] [--shuffle] [--dry-run]\n"
    "                            [--json]";

const char* const kPlaylistHelp =
    "\n'create' writes DIR/NAME.m3u (an existing one is replaced) with the audio files\n"
    "named, in the order given; a folder adds its audio files in name order, each\n"
    "subfolder in its place, and a playlist (.m3u, .m3u8, .pls, .xpl) adds its entries.\n"
    "A file may appear more than once. --relative writes the paths relative to DIR.\n"
    "\n'check' reads an M3U, PLS or XPL playlist and prints each entry as valid (its\n"
    "file exists) or invalid. --shuffle shuffles the valid entries; --save writes them\n"
    "back over the playlist in its own format, with --relative relative to its folder.\n"
    "\n--dry-run prints what would be written instead of writing it; --json prints one\n"
    "JSON object. Exit status 1 when a named file was missing or refused, when the\n"
    "playlist could not be read or written, or when invalid entries remain.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kPlaylistUsage), problem);
}

// Writes through the real writer, or keeps the text for --dry-run.
struct TWriters {
    TFileStreamWriter File;
    TCliDryRunWriter DryRun;
    bool Dry = false;
    TStreamWriter& Writer() { return Dry ? static_cast<TStreamWriter&>(DryRun) : File; }
    // The dry run's text on standard output, after the tool's messages.
    void ShowDryRun(bool json) {
        if (!Dry || json) return;
        PrintErr(QStringLiteral("dry run: %1 not written; it would hold:\n").arg(DryRun.Target));
        PrintOut(QString::fromUtf8(DryRun.Content));
    }
};

int Create(const TCliArgs& parsed) {
    TPlaylistCreatorOptions options;
    bool haveOut = false, haveName = false;
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("out")) {
            options.OutputFolder = value;
            haveOut = true;
        } else if (opt == QLatin1String("name")) {
            options.Name = value;
            haveName = true;
        } else {
            return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
        }
    }
    if (parsed.Has("save") || parsed.Has("shuffle"))
        return Usage(QStringLiteral("--save and --shuffle belong to 'check'"));
    if (!haveOut) return Usage(QStringLiteral("--out DIR is needed"));
    if (!haveName) return Usage(QStringLiteral("--name NAME is needed"));
    if (parsed.Paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));
    options.Relative = parsed.Has("relative");
    const bool json = parsed.Has("json");

    QStringList missing, refused;
    for (const QString& p : parsed.Paths) {
        if (WideDirectoryExists(p)) {
            options.Entries << ExpandPaths({p}, IsListablePath, nullptr);
        } else if (!WideFileExists(p)) {
            missing << p;
        } else if (IsPlaylistFormatKey(PlaylistFormatKey(p))) {
            try {
                for (const QString& e : ImportPlaylistEntries(p))
                    (IsListablePath(e) ? options.Entries : refused) << e;
            } catch (const ESonvaleError& e) {
                PrintErr(QStringLiteral("%1: %2\n").arg(p, e.Message));
                refused << p;
            }
        } else {
            (IsListablePath(p) ? options.Entries : refused) << p;
        }
    }
    // Entries relative to the folder the command ran in would name nothing in DIR.
    for (QString& e : options.Entries)
        e = QFileInfo(e).absoluteFilePath();
    options.OutputFolder = QFileInfo(options.OutputFolder).absoluteFilePath();
    for (const QString& m : missing)
        PrintErr(QStringLiteral("%1: No such file or folder\n").arg(m));
    for (const QString& r : refused)
        PrintErr(QStringLiteral("%1: skipped: not an audio file a playlist takes\n").arg(r));

    TWriters writers;
    writers.Dry = parsed.Has("dry-run");
    TCliRecordingPrompter prompter;
    prompter.Quiet = json;
    const TPlaylistCreatorResult result = RunPlaylistCreator(options, writers.Writer(), prompter);
    writers.ShowDryRun(json);
    if (json) {
        QJsonObject o;
        o[QStringLiteral("target")] = result.Target;
        o[QStringLiteral("entries")] = int(options.Entries.size());
        o[QStringLiteral("written")] = result.Written && !writers.Dry;
        o[QStringLiteral("dry_run")] = writers.Dry;
        o[QStringLiteral("messages")] = QJsonArray::fromStringList(prompter.Messages);
        o[QStringLiteral("errors")] = QJsonArray::fromStringList(prompter.Errors);
        o[QStringLiteral("missing")] = QJsonArray::fromStringList(missing);
        o[QStringLiteral("skipped")] = QJsonArray::fromStringList(refused);
        PrintJsonLine(o);
    }
    return result.Written && missing.isEmpty() && refused.isEmpty() ? kExitOk : kExitFailure;
}

int Check(const TCliArgs& parsed) {
    if (!parsed.Options.isEmpty())
        return Usage(QStringLiteral("unknown option '--%1'").arg(parsed.Options.first().first));
    if (parsed.Paths.size() != 1) return Usage(QStringLiteral("one PLAYLIST is needed"));
    const bool save = parsed.Has("save"), json = parsed.Has("json");
    if (parsed.Has("relative") && !save) return Usage(QStringLiteral("--relative needs --save"));
    if (parsed.Has("dry-run") && !save) return Usage(QStringLiteral("--dry-run needs --save"));

    TLoadedPlaylist playlist;
    try {
        playlist = LoadPlaylistForCheck(parsed.Paths.first());
    } catch (const ESonvaleError& e) {
        PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(e.Message));
        return kExitFailure;
    }
    TCliPercentProgress progress(playlist.Entries.size(), QStringLiteral("checking entries"));
    TPlaylistAnalysis analysis = AnalysePlaylist(playlist.Entries, playlist.Folder, progress);
    if (parsed.Has("shuffle")) ShuffleList(analysis.Valid);

    TWriters writers;
    writers.Dry = parsed.Has("dry-run");
    TCliRecordingPrompter prompter;
    prompter.Quiet = json;
    if (!json) {
        QString text;
        for (const QString& e : analysis.Valid)
            text += QStringLiteral("valid\t%1\n").arg(e);
        for (const QString& e : analysis.Invalid)
            text += QStringLiteral("invalid\t%1\n").arg(e);
        text += QStringLiteral("Entries : %1\nValid Entries : %2\nInvalid Entries : %3\n")
                    .arg(playlist.Entries.size())
                    .arg(analysis.Valid.size())
                    .arg(analysis.Invalid.size());
        PrintOut(text);
    }
    bool saved = false;
    if (save)
        saved = SaveCheckedPlaylist(playlist, analysis.Valid, parsed.Has("relative"),
                                    writers.Writer(), prompter);
    writers.ShowDryRun(json);
    if (json) {
        QJsonObject o;
        o[QStringLiteral("playlist")] = playlist.Path;
        o[QStringLiteral("format")] = PlaylistFormatKey(playlist.Path);
        o[QStringLiteral("entries")] = int(playlist.Entries.size());
        o[QStringLiteral("valid")] = QJsonArray::fromStringList(analysis.Valid);
        o[QStringLiteral("invalid")] = QJsonArray::fromStringList(analysis.Invalid);
        o[QStringLiteral("saved")] = saved && !writers.Dry;
        o[QStringLiteral("dry_run")] = writers.Dry;
        o[QStringLiteral("messages")] = QJsonArray::fromStringList(prompter.Messages);
        o[QStringLiteral("errors")] = QJsonArray::fromStringList(prompter.Errors);
        PrintJsonLine(o);
    }
    if (save) return saved ? kExitOk : kExitFailure;
    return analysis.Invalid.isEmpty() ? kExitOk : kExitFailure;
}

} // namespace

int RunPlaylist(const QStringList& argsIn) {
    QStringList args = argsIn;
    QString action;
    if (const int status =
            TakeCliAction(args, kPlaylistUsage, kPlaylistHelp, "create or check", action);
        status >= 0)
        return status;
    TCliArgs parsed;
    const QStringList flags{QStringLiteral("relative"), QStringLiteral("save"),
                            QStringLiteral("shuffle"), QStringLiteral("dry-run"),
                            QStringLiteral("json")};
    if (const int status = SplitCliArgs(args, kPlaylistUsage, kPlaylistHelp, parsed, flags);
        status >= 0)
        return status;
    if (action == QLatin1String("create")) return Create(parsed);
    if (action == QLatin1String("check")) return Check(parsed);
    return Usage(QStringLiteral("unknown action '%1'").arg(action));
}

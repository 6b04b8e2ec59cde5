#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"
#include "cli/LookupOptions.h"

#include "io/FileUtils.h"
#include "net/HttpClient.h"
#include "tools/AlbumRenamer.h"
#include "tools/AutoSort.h"
#include "tools/LookupSettings.h"
#include "tools/Progress.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kAlbumUsage =
    "sonvale-cli album DIR [--lookup SOURCE [--server HOST[:PORT]|URL] [--email ADDRESS]\n"
    "                  [--timeout SECONDS] --pick N | --tracks FILE] [--sort time|words]\n"
    "                  [--artist A] [--album B] [--year Y] [--genre G] [--comments C]\n"
    "                  [--pattern P] [--kinds N] [--no-rename] [--no-tag] [--playlist]\n"
    "                  [--dry-run] [--json]";

const char* const kAlbumHelp =
    "\nTags and renames the audio files of one album folder (taken in name order) with\n"
    "the album's track names: file n gets track name n and track number n.\n"
    "  --lookup     freedb, cddb or musicbrainz: searches the folder's name (cddb: the\n"
    "               disc ID of its files) and takes result --pick N (see 'lookup')\n"
    "  --tracks     a text file with one track name a line instead of a lookup\n"
    "  --sort       puts the files in track order first: by their durations against the\n"
    "               fetched ones, or by the words of the track names in the file names\n"
    "  --artist ... album values, over the fetched ones\n"
    "  --pattern    file-name pattern (default: the settings'; %1 artist, %2 track name,\n"
    "               %3 album, %4 year, %5 genre, %6 track number)\n"
    "  --kinds      tag kinds to write (1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments;\n"
    "               default: the settings'); a file's other kinds are dropped\n"
    "  --playlist   writes the album playlist as the settings say\n"
    "  --dry-run    prints each old name -> new name and the tags, changes nothing\n"
    "With fewer files than tracks, fake tracks hold the missing places. A name that exists\n"
    "already is never replaced. Exit status 1 when any file failed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kAlbumUsage), problem);
}

} // namespace

int RunAlbum(const QStringList& args) {
    TLookupCliOptions lookup;
    TAlbumRenamerOptions options;
    AlbumOptionsFromSettings(lookup.Settings, options);
    options.KeepGoing = true;
    QString folder, tracksFile, sort;
    bool haveLookup = false, json = false;
    QHash<QString, QString> fields;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(QStringLiteral("usage: %1\n%2")
                         .arg(QLatin1String(kAlbumUsage), QLatin1String(kAlbumHelp)));
            return kExitOk;
        }
        if (a == QLatin1String("--no-rename")) {
            options.Rename = false;
        } else if (a == QLatin1String("--no-tag")) {
            options.Tag = false;
        } else if (a == QLatin1String("--playlist")) {
            options.Playlist = true;
        } else if (a == QLatin1String("--dry-run")) {
            options.DryRun = true;
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else if (!a.startsWith(QLatin1String("--"))) {
            if (!folder.isEmpty()) return Usage(QStringLiteral("one album folder at a time"));
            folder = a;
        } else {
            if (i + 1 >= args.size())
                return Usage(QStringLiteral("option '%1' needs a value").arg(a));
            const QString name = a.mid(2), value = args[++i];
            if (name == QLatin1String("lookup")) {
                if (!lookup.Take(QStringLiteral("source"), value)) return Usage(lookup.Problem);
                haveLookup = true;
            } else if (name == QLatin1String("tracks")) {
                tracksFile = value;
            } else if (name == QLatin1String("sort")) {
                if (value != QLatin1String("time") && value != QLatin1String("words"))
                    return Usage(QStringLiteral("--sort is time or words, not '%1'").arg(value));
                sort = value;
            } else if (name == QLatin1String("pattern")) {
                options.Pattern = value;
            } else if (name == QLatin1String("kinds")) {
                if (!ParseKindsOption(value, kAlbumUsage, options.TagMask)) return kExitUsage;
            } else if (QStringList{"artist", "album", "year", "genre", "comments"}.contains(name)) {
                fields[name] = value;
            } else if (!lookup.Take(name, value)) {
                return Usage(lookup.Problem.isEmpty() ? QStringLiteral("unknown option '%1'").arg(a)
                                                      : lookup.Problem);
            }
        }
    }
    if (folder.isEmpty()) return Usage(QStringLiteral("no album folder given"));
    if (!WideDirectoryExists(folder))
        return Usage(QStringLiteral("'%1' is not a folder").arg(folder));
    if (haveLookup == !tracksFile.isEmpty())
        return Usage(QStringLiteral("give either --lookup SOURCE --pick N or --tracks FILE"));
    if (haveLookup && lookup.Pick == 0) return Usage(QStringLiteral("--lookup needs --pick N"));

    options.Folder = WideIncludeTrailingBackslash(folder);
    options.Entries = ListAlbumFolder(folder);
    if (options.Entries.isEmpty()) {
        PrintErr(QStringLiteral("sonvale-cli: %1: no audio files\n").arg(folder));
        return kExitFailure;
    }
    TAlbumDetails details;
    if (haveLookup) {
        THttpClient client;
        lookup.Prepare(client);
        const TLookupTransfer transfer = ClientTransfer(client);
        const QString name = WideExtractFileName(WideExcludeTrailingBackslash(options.Folder));
        const TLookupSearchResult found = RunLookupSearch(
            lookup.Config, name, MeasureDurations(options.Folder, options.Entries), transfer);
        if (!found.Error.isEmpty()) {
            PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(found.Error));
            return kExitFailure;
        }
        if (!FetchPick(lookup, found.Matches, transfer, details)) return kExitFailure;
    } else if (!ReadTrackNames(tracksFile, details.Tracks)) {
        PrintErr(QStringLiteral("sonvale-cli: %1: cannot be read\n").arg(tracksFile));
        return kExitFailure;
    }
    options.Artist = fields.value(QStringLiteral("artist"), details.Artist);
    options.Album = fields.value(QStringLiteral("album"), details.Album);
    options.Year = fields.value(QStringLiteral("year"), details.Year);
    options.Genre = fields.value(QStringLiteral("genre"), details.Genre);
    options.Comments = fields.value(QStringLiteral("comments"));
    options.Tracks = details.Tracks;
    if (options.Entries.size() < options.Tracks.size()) {
        PrintErr(QStringLiteral("sonvale-cli: %1 tracks, %2 files: fake tracks hold the missing "
                                "places\n")
                     .arg(options.Tracks.size())
                     .arg(options.Entries.size()));
        while (options.Entries.size() < options.Tracks.size())
            options.Entries << kFakeTrack;
    }
    TNullProgress quiet;
    if (sort == QLatin1String("time")) {
        QList<int32_t> measured = MeasureDurations(options.Folder, options.Entries);
        SortByTime(options.Entries, measured, details.Durations, int(options.Tracks.size()), quiet);
    } else if (sort == QLatin1String("words")) {
        SortByWords(options.Entries, options.Tracks, quiet);
    }

    TCliProgress shown(int(options.Entries.size()));
    int step = 0;
    options.FileDone = [&](const TAlbumFileResult& f) {
        shown.Step(step++, f.OldName);
        if (json) {
            QJsonObject o{{QStringLiteral("track"), f.Track},
                          {QStringLiteral("old"), f.OldName},
                          {QStringLiteral("new"), f.NewName},
                          {QStringLiteral("renamed"), f.Renamed},
                          {QStringLiteral("tagged"), f.Tagged},
                          {QStringLiteral("title"), options.Tracks.value(f.Track - 1)}};
            if (!f.Error.isEmpty()) o[QStringLiteral("error")] = f.Error;
            PrintOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                     QLatin1Char('\n'));
            return;
        }
        QString line = QStringLiteral("%1 -> %2").arg(f.OldName, f.NewName);
        if (options.DryRun && options.Tag)
            line += QStringLiteral("\n    artist=%1 title=%2 album=%3 year=%4 genre=%5 track=%6")
                        .arg(options.Artist, options.Tracks.value(f.Track - 1), options.Album,
                             options.Year, options.Genre)
                        .arg(f.Track);
        if (!f.Error.isEmpty()) line += QStringLiteral("\n    failed: %1").arg(f.Error);
        PrintOut(line + QLatin1Char('\n'));
    };
    TCliPrompter prompter;
    const TAlbumRenamerResult result = RunAlbumRenamer(options, quiet, prompter);
    if (!result.Ran) return kExitFailure;
    if (!result.PlaylistPath.isEmpty())
        PrintOut(QStringLiteral("%1: %2\n")
                     .arg(options.DryRun ? QStringLiteral("playlist (not written)")
                                         : QStringLiteral("playlist"),
                          result.PlaylistPath));
    return result.Failed == 0 ? kExitOk : kExitFailure;
}

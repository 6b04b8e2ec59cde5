#include "cli/CliCommon.h"
#include "cli/LookupOptions.h"

#include "net/AlbumLookup.h"
#include "net/HttpClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kLookupUsage =
    "sonvale-cli lookup [--source freedb|cddb|musicbrainz] [--server HOST[:PORT]|URL]\n"
    "                   [--email ADDRESS] [--timeout SECONDS] [--pick N] [--json]\n"
    "                   \"WORDS\" | --folder DIR";

const char* const kLookupHelp =
    "\nFinds an album online and prints the results, one a line, numbered from 1.\n"
    "  --source     freedb: the FreeDB site's keyword search; cddb: a CDDB query by the\n"
    "               disc ID of the audio files in --folder DIR; musicbrainz: a release\n"
    "               search (default: the source chosen last in the lookup window)\n"
    "  --server     the server to ask instead of the settings' one (a bare host is asked\n"
    "               over http)\n"
    "  --email      contact sent to the services (default: the settings' e-mail)\n"
    "  --timeout    seconds a request may take (default 30)\n"
    "  --pick N     fetches result N and prints the album as JSON: artist, album, year,\n"
    "               genre, tracks with their durations in milliseconds\n"
    "  --json       the results as one JSON array\n"
    "Exit status 1 when nothing was found or a request failed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kLookupUsage), problem);
}

} // namespace

int RunLookup(const QStringList& args) {
    TLookupCliOptions lookup;
    QString folder;
    bool json = false;
    QStringList words;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(QStringLiteral("usage: %1\n%2")
                         .arg(QLatin1String(kLookupUsage), QLatin1String(kLookupHelp)));
            return kExitOk;
        }
        if (a == QLatin1String("--json")) {
            json = true;
            continue;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            words << a;
            continue;
        }
        if (i + 1 >= args.size()) return Usage(QStringLiteral("option '%1' needs a value").arg(a));
        const QString value = args[++i];
        if (a == QLatin1String("--folder")) {
            folder = value;
        } else if (!lookup.Take(a.mid(2), value)) {
            return Usage(lookup.Problem.isEmpty() ? QStringLiteral("unknown option '%1'").arg(a)
                                                  : lookup.Problem);
        }
    }
    if (!folder.isEmpty() && !lookup.HaveSource) lookup.Config.Source = TLookupSource::CddbQuery;
    if (lookup.Config.Source == TLookupSource::CddbQuery && folder.isEmpty())
        return Usage(QStringLiteral("the cddb source needs --folder DIR"));
    if (lookup.Config.Source != TLookupSource::CddbQuery && words.isEmpty())
        return Usage(QStringLiteral("no search words given"));

    THttpClient client;
    lookup.Prepare(client);
    const TLookupTransfer transfer = ClientTransfer(client);
    QList<int32_t> durations;
    if (!folder.isEmpty() && !LookupFolderDurations(folder, durations)) return kExitFailure;
    const TLookupSearchResult found =
        RunLookupSearch(lookup.Config, words.join(QLatin1Char(' ')), durations, transfer);
    if (!found.Error.isEmpty()) {
        PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(found.Error));
        return kExitFailure;
    }
    if (lookup.Pick == 0) {
        if (json) {
            QJsonArray list;
            for (int i = 0; i < found.Matches.size(); ++i) {
                const TLookupMatch& m = found.Matches[i];
                list.append(QJsonObject{{QStringLiteral("number"), i + 1},
                                        {QStringLiteral("title"), m.Title},
                                        {QStringLiteral("id"), m.Id},
                                        {QStringLiteral("category"), m.Category}});
            }
            PrintOut(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) +
                     QLatin1Char('\n'));
        } else {
            for (int i = 0; i < found.Matches.size(); ++i)
                PrintOut(QStringLiteral("%1. %2\n").arg(i + 1).arg(found.Matches[i].Title));
        }
        return kExitOk;
    }
    TAlbumDetails details;
    if (!FetchPick(lookup, found.Matches, transfer, details)) return kExitFailure;
    PrintOut(QString::fromUtf8(QJsonDocument(AlbumJson(details)).toJson(QJsonDocument::Indented)));
    return kExitOk;
}

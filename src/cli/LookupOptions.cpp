#include "cli/LookupOptions.h"

#include "cli/CliCommon.h"
#include "io/FileUtils.h"
#include "net/HttpClient.h"

#include "tools/AlbumRenamer.h"
#include "tools/AutoSort.h"
#include "tools/LookupSettings.h"
#include <QJsonArray>
#include <QUrl>

TLookupCliOptions::TLookupCliOptions()
    : Settings(LoadStoredSettings()), Config(LookupConfigFromSettings(Settings)) {}

bool TLookupCliOptions::Take(const QString& name, const QString& value) {
    bool ok = false;
    if (name == QLatin1String("source")) {
        if (!LookupSourceFromName(value, Config.Source)) {
            Problem =
                QStringLiteral("--source is freedb, cddb or musicbrainz, not '%1'").arg(value);
            return false;
        }
        HaveSource = true;
    } else if (name == QLatin1String("server")) {
        // One server answers every request of the command.
        QString server = value.trimmed();
        if (!server.contains(QLatin1String("://"))) server.prepend(QStringLiteral("http://"));
        Config.Server = server;
        Config.MusicBrainzServer = server;
        Config.SearchSite = QUrl(server).authority();
    } else if (name == QLatin1String("email")) {
        Config.Email = value.trimmed();
    } else if (name == QLatin1String("timeout")) {
        TimeoutSeconds = value.toInt(&ok);
        if (!ok || TimeoutSeconds <= 0 || TimeoutSeconds > 3600) {
            Problem = QStringLiteral("--timeout takes 1 to 3600 seconds, not '%1'").arg(value);
            return false;
        }
    } else if (name == QLatin1String("pick")) {
        Pick = value.toInt(&ok);
        if (!ok || Pick <= 0) {
            Problem = QStringLiteral("--pick takes a result number from 1, not '%1'").arg(value);
            return false;
        }
    } else {
        return false;
    }
    return true;
}

void TLookupCliOptions::Prepare(THttpClient& client) const {
    client.TimeoutMs = TimeoutSeconds * 1000;
    if (Settings.FreeDBUseProxy) {
        client.ProxyHost = Settings.FreeDBProxyServer;
        client.ProxyPort = QString::number(Settings.FreeDBProxyPort);
        client.ProxyUser = Settings.FreeDBProxyName;
        client.ProxyPass = Settings.FreeDBProxyPass;
    }
    if (Config.Source != TLookupSource::FreeDBSearch && Config.Email.isEmpty())
        PrintErr(QStringLiteral("sonvale-cli: no contact e-mail set (--email); the service may "
                                "refuse the request\n"));
}

bool LookupFolderDurations(const QString& folder, QList<int32_t>& durations) {
    const QStringList names = ListAlbumFolder(folder);
    if (names.isEmpty()) {
        PrintErr(QStringLiteral("sonvale-cli: %1: no audio files\n").arg(folder));
        return false;
    }
    durations = MeasureDurations(WideIncludeTrailingBackslash(folder), names);
    return true;
}

bool FetchPick(const TLookupCliOptions& options, const QList<TLookupMatch>& matches,
               const TLookupTransfer& transfer, TAlbumDetails& details) {
    if (options.Pick > matches.size()) {
        PrintErr(QStringLiteral("sonvale-cli: --pick %1: there are %2 results\n")
                     .arg(options.Pick)
                     .arg(matches.size()));
        return false;
    }
    const TLookupFetchResult fetched =
        RunLookupFetch(options.Config, matches[options.Pick - 1], transfer);
    if (!fetched.Error.isEmpty()) {
        PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(fetched.Error));
        return false;
    }
    details = fetched.Details;
    return true;
}

QJsonObject AlbumJson(const TAlbumDetails& d) {
    QJsonObject o;
    o[QStringLiteral("artist")] = d.Artist;
    o[QStringLiteral("album")] = d.Album;
    o[QStringLiteral("year")] = d.Year;
    o[QStringLiteral("genre")] = d.Genre;
    QJsonArray tracks;
    for (int i = 0; i < d.Tracks.size(); ++i) {
        QJsonObject t;
        t[QStringLiteral("number")] = i + 1;
        t[QStringLiteral("title")] = d.Tracks[i];
        if (i < d.Durations.size()) t[QStringLiteral("duration_ms")] = d.Durations[i];
        tracks.append(t);
    }
    o[QStringLiteral("tracks")] = tracks;
    return o;
}

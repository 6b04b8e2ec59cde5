#include "net/AlbumLookup.h"

#include "net/HttpClient.h"
#include "net/MusicBrainz.h"

namespace {

QString CddbServer(const TLookupConfig& c) {
    return c.Server.trimmed().isEmpty() ? kDefaultCddbServer : c.Server;
}

QString CgiPath(const TLookupConfig& c) {
    return c.CgiPath.isEmpty() ? QStringLiteral("/~cddb/cddb.cgi") : c.CgiPath;
}

QString MusicBrainzBase(const TLookupConfig& c) {
    QString base = c.MusicBrainzServer.trimmed();
    if (base.isEmpty()) base = kDefaultMusicBrainzServer;
    if (!base.contains(QLatin1String("://"))) base.prepend(QStringLiteral("https://"));
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString Hello(const TLookupConfig& c) {
    return CddbHello(c.Email, c.Version);
}

} // namespace

QStringList LookupSourceNames() {
    return {QStringLiteral("FreeDB keyword search"),
            QStringLiteral("CDDB disc ID of the local files"), QStringLiteral("MusicBrainz")};
}

bool LookupSourceFromName(const QString& name, TLookupSource& source) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("freedb"))
        source = TLookupSource::FreeDBSearch;
    else if (n == QLatin1String("cddb"))
        source = TLookupSource::CddbQuery;
    else if (n == QLatin1String("musicbrainz"))
        source = TLookupSource::MusicBrainz;
    else
        return false;
    return true;
}

TLookupRequest LookupSearchRequest(const TLookupConfig& config, const QString& words,
                                   const QList<int32_t>& localDurationsMs) {
    TLookupRequest r;
    switch (config.Source) {
    case TLookupSource::FreeDBSearch:
        if (!words.trimmed().isEmpty()) r.Url = FreeDBSearchUrl(config.SearchSite, words);
        break;
    case TLookupSource::CddbQuery:
        if (localDurationsMs.isEmpty()) {
            r.Error = QStringLiteral("The disc ID is computed from the album's files: add them "
                                     "first.");
        } else if (localDurationsMs.contains(0)) {
            r.Error = QStringLiteral("The disc ID needs the duration of every track; a fake "
                                     "track or an unreadable file has none.");
        } else {
            r.Url = CddbQueryUrl(CddbServer(config), CgiPath(config),
                                 CddbDiscFromDurations(localDurationsMs), Hello(config));
        }
        break;
    case TLookupSource::MusicBrainz:
        if (words.trimmed().isEmpty()) break;
        r.Url = MusicBrainzSearchUrl(MusicBrainzBase(config), words);
        r.UserAgent = MusicBrainzUserAgent(config.Version, config.Email);
        r.DelayMs = MusicBrainzRequestDelay();
        break;
    }
    return r;
}

TLookupSearchResult ParseLookupSearch(const TLookupConfig& config, const QByteArray& body) {
    TLookupSearchResult result;
    switch (config.Source) {
    case TLookupSource::FreeDBSearch:
        result.Matches = ParseFreeDBSearchPage(body, config.SearchSite);
        break;
    case TLookupSource::CddbQuery: {
        TCddbQueryReply reply = ParseCddbQueryReply(body);
        result.Matches = reply.Matches;
        result.Error = reply.Error;
        break;
    }
    case TLookupSource::MusicBrainz:
        result.Matches = ParseMusicBrainzSearch(body, &result.Error);
        break;
    }
    if (result.Matches.isEmpty() && result.Error.isEmpty())
        result.Error = QStringLiteral("No album found.");
    return result;
}

TLookupRequest LookupFetchRequest(const TLookupConfig& config, const TLookupMatch& match) {
    TLookupRequest r;
    if (config.Source == TLookupSource::MusicBrainz) {
        r.Url = MusicBrainzReleaseUrl(MusicBrainzBase(config), match.Id);
        r.UserAgent = MusicBrainzUserAgent(config.Version, config.Email);
        r.DelayMs = MusicBrainzRequestDelay();
    } else {
        r.Url = CddbReadUrl(CddbServer(config), CgiPath(config), match.Category, match.Id,
                            Hello(config));
    }
    return r;
}

TLookupFetchResult ParseLookupFetch(const TLookupConfig& config, const QByteArray& body) {
    TLookupFetchResult result;
    if (config.Source == TLookupSource::MusicBrainz) {
        result.Details = ParseMusicBrainzRelease(body, &result.Error);
        return result;
    }
    result.Error = CddbReadError(body);
    if (result.Error.isEmpty()) result.Details = ParseXmcd(body);
    return result;
}

TLookupTransfer ClientTransfer(THttpClient& client) {
    return [&client](const TLookupRequest& request, QByteArray& body, QString& error) {
        client.UserAgent = request.UserAgent.isEmpty() ? kHttpDefaultUserAgent : request.UserAgent;
        RunHttpGet(client, request.Url, body, request.DelayMs);
        error = client.ErrorText();
        return error.isEmpty();
    };
}

namespace {

// The body of a request, or the reason it did not arrive whole in `error`.
bool Run(const TLookupTransfer& transfer, const TLookupRequest& request, QByteArray& body,
         QString& error) {
    if (transfer(request, body, error)) return true;
    error = QStringLiteral("The transfer did not complete: %1").arg(error);
    return false;
}

} // namespace

TLookupSearchResult RunLookupSearch(const TLookupConfig& config, const QString& words,
                                    const QList<int32_t>& localDurationsMs,
                                    const TLookupTransfer& transfer) {
    const TLookupRequest request = LookupSearchRequest(config, words, localDurationsMs);
    TLookupSearchResult result;
    QByteArray body;
    if (request.Url.isEmpty())
        result.Error =
            request.Error.isEmpty() ? QStringLiteral("Nothing to search for.") : request.Error;
    else if (Run(transfer, request, body, result.Error))
        return ParseLookupSearch(config, body);
    return result;
}

TLookupFetchResult RunLookupFetch(const TLookupConfig& config, const TLookupMatch& match,
                                  const TLookupTransfer& transfer) {
    QByteArray body;
    TLookupFetchResult result;
    if (Run(transfer, LookupFetchRequest(config, match), body, result.Error))
        return ParseLookupFetch(config, body);
    return result;
}

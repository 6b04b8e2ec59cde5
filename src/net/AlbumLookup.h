#pragma once
// The three ways to find an album and fetch its details, behind one pair of steps
// (search, then fetch a chosen result): the FreeDB site's keyword search, a CDDB query by
// the disc ID of the local files, and a MusicBrainz release search.

#include "net/FreeDB.h"

#include <functional>

class THttpClient;

enum class TLookupSource { FreeDBSearch = 0, CddbQuery = 1, MusicBrainz = 2 };

// Names shown in the "Source" choice, in the order of TLookupSource.
QStringList LookupSourceNames();
// "freedb", "cddb" or "musicbrainz" (the command line's names); false for another.
bool LookupSourceFromName(const QString& name, TLookupSource& source);

inline const QString kDefaultCddbServer = QStringLiteral("gnudb.gnudb.org");
inline const QString kDefaultSearchSite = QStringLiteral("www.freedb.org");
inline const QString kDefaultMusicBrainzServer = QStringLiteral("https://musicbrainz.org");

struct TLookupConfig {
    TLookupSource Source = TLookupSource::MusicBrainz;
    QString SearchSite = kDefaultSearchSite;             // host of the keyword search
    QString Server;                                      // CDDB server; empty: the default
    QString CgiPath = QStringLiteral("/~cddb/cddb.cgi"); // empty: the default
    QString MusicBrainzServer = kDefaultMusicBrainzServer;
    QString Email; // sent in the CDDB greeting and as the MusicBrainz contact
    QString Version = ProgramVersion();
};

// One request: nothing to ask when Url is empty (and then Error may say why).
struct TLookupRequest {
    QString Url;
    QString UserAgent; // empty: the client's default
    int DelayMs = 0;   // wait this long first (the service's request rate)
    QString Error;
};

// The search: words for the keyword sources, the local files' durations for the disc ID.
TLookupRequest LookupSearchRequest(const TLookupConfig& config, const QString& words,
                                   const QList<int32_t>& localDurationsMs);
struct TLookupSearchResult {
    QList<TLookupMatch> Matches;
    QString Error; // empty when there are matches
};
TLookupSearchResult ParseLookupSearch(const TLookupConfig& config, const QByteArray& body);

TLookupRequest LookupFetchRequest(const TLookupConfig& config, const TLookupMatch& match);
struct TLookupFetchResult {
    TAlbumDetails Details;
    QString Error;
};
TLookupFetchResult ParseLookupFetch(const TLookupConfig& config, const QByteArray& body);

// How a caller runs a request: true with the body, or false with the reason (cancelled,
// cut connection, time-out).
using TLookupTransfer =
    std::function<bool(const TLookupRequest& request, QByteArray& body, QString& error)>;

// A transfer through `client` that waits for the event loop (no window): for the command
// line. The client's time-out applies.
TLookupTransfer ClientTransfer(THttpClient& client);

// A whole search or fetch through `transfer`.
TLookupSearchResult RunLookupSearch(const TLookupConfig& config, const QString& words,
                                    const QList<int32_t>& localDurationsMs,
                                    const TLookupTransfer& transfer);
TLookupFetchResult RunLookupFetch(const TLookupConfig& config, const TLookupMatch& match,
                                  const TLookupTransfer& transfer);

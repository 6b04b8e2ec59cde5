#pragma once
// FreeDB/CDDB requests and replies: the web site's keyword search page, the CDDB
// protocol's query and read commands over its CGI interface, and the xmcd entry format.
// Everything a server sends is untrusted: lengths are bounded, identifiers that go back
// into a request are checked.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// The details of one album, from any source.
struct TAlbumDetails {
    QString Artist;
    QString Album;
    QString Genre;
    QString Year;
    QStringList Tracks;
    QList<int32_t> Durations; // milliseconds, in track order; may be shorter than Tracks
};

// One line of a results list and what fetching it needs.
struct TLookupMatch {
    QString Title;    // "Artist / Album" as the source words it
    QString Id;       // disc id or release id
    QString Category; // CDDB category; empty for other sources
};

// Text of a reply: UTF-8, or Latin-1 when the bytes are not valid UTF-8.
QString DecodeReplyText(const QByteArray& bytes);

// num / den (den > 0) to the nearest integer, ties to even.
int64_t RoundHalfEven(int64_t num, int64_t den);

// ---- keyword search on the web site ----
QString FreeDBSearchUrl(const QString& siteHost, const QString& words);
QList<TLookupMatch> ParseFreeDBSearchPage(const QByteArray& page, const QString& siteHost);

// ---- CDDB over HTTP ----
// "http://" + server unless the server text names its scheme.
QString CddbBaseUrl(const QString& server);
// "hello=" tokens: the user's e-mail split at "@" (user and host), the program and its
// version; percent-encoded, so a value can never add a parameter.
QString CddbHello(const QString& email, const QString& version);
QString CddbReadUrl(const QString& server, const QString& cgiPath, const QString& category,
                    const QString& discId, const QString& hello);

// The table of contents a disc ID is computed from.
struct TCddbDisc {
    QString Id;             // eight lower-case hex digits
    QList<int64_t> Offsets; // frames, the first 150
    int64_t Seconds = 0;    // disc length
};
// From the tracks' durations in milliseconds (frames = round(seconds * 75)).
TCddbDisc CddbDiscFromDurations(const QList<int32_t>& durationsMs);
QString CddbQueryUrl(const QString& server, const QString& cgiPath, const TCddbDisc& disc,
                     const QString& hello);

// A query's matches (200 exact, 210/211 lists), or why there are none.
struct TCddbQueryReply {
    int Code = 0;
    QList<TLookupMatch> Matches;
    QString Error; // empty when Matches holds the answer
};
TCddbQueryReply ParseCddbQueryReply(const QByteArray& body);

// The message for a read reply whose status line says it failed; empty for "210" and for
// a body without a status line (parsed as it stands).
QString CddbReadError(const QByteArray& body);

// An xmcd entry (with or without the "210" line and the terminating "."). A key that
// repeats continues its value on the next line; durations come from the frame offsets
// and the disc length.
TAlbumDetails ParseXmcd(const QByteArray& body);

// The version sent to the services: four numbers.
QString ProgramVersion();

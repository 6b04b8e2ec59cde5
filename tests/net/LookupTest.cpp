#include "NetTestApp.h"
#include "net/AlbumLookup.h"
#include "net/HttpClient.h"
#include "net/MusicBrainz.h"
#include "support/ReplayServer.h"

#include <gtest/gtest.h>

namespace {

// An entry as the xmcd format describes it, CR LF line ends, after the read's status line.
const QByteArray kEntry = "210 rock 1b02ba03 CD database entry follows (until terminating `.')\r\n"
                          "# xmcd\r\n#\r\n# Track frame offsets:\r\n#\t150\r\n#\t20000\r\n"
                          "#\t40000\r\n#\r\n# Disc length: 700 seconds\r\n#\r\n"
                          "DISCID=1b02ba03\r\nDTITLE=Some Artist / Some Album\r\nDYEAR=1999\r\n"
                          "DGENRE=Rock\r\nTTITLE0=Intro\r\nTTITLE1=A very long title that the "
                          "server split over\r\nTTITLE1= two lines\r\nTTITLE2=Outro\r\n"
                          "EXTD=\r\nPLAYORDER=\r\n.\r\n";

QByteArray WithLf(QByteArray b) {
    return b.replace("\r\n", "\n");
}

} // namespace

TEST(Xmcd, ReadsDetailsTracksAndDurations) {
    for (const QByteArray& body : {kEntry, WithLf(kEntry)}) {
        const TAlbumDetails d = ParseXmcd(body);
        EXPECT_EQ(d.Artist, QStringLiteral("Some Artist"));
        EXPECT_EQ(d.Album, QStringLiteral("Some Album"));
        EXPECT_EQ(d.Year, QStringLiteral("1999"));
        EXPECT_EQ(d.Genre, QStringLiteral("Rock"));
        EXPECT_EQ(d.Tracks, (QStringList{QStringLiteral("Intro"),
                                         QStringLiteral("A very long title that the server split "
                                                        "over two lines"),
                                         QStringLiteral("Outro")}));
        EXPECT_EQ(d.Durations, (QList<int32_t>{264667, 266667, 166667}));
    }
}

TEST(Xmcd, EdgeCases) {
    // More track names than offsets: no duration is made up.
    TAlbumDetails d = ParseXmcd("# Track frame offsets:\n# 150\n# 20000\n#\n# Disc length: 700 "
                                "seconds\nDTITLE=Artist Only\nTTITLE0=a\nTTITLE1=b\nTTITLE2=c\n");
    EXPECT_EQ(d.Tracks.size(), 3);
    EXPECT_EQ(d.Durations, (QList<int32_t>{264667}));
    EXPECT_TRUE(d.Artist.isEmpty() && d.Album.isEmpty());
    // A last line without its end may be cut: it is left out.
    d = ParseXmcd("TTITLE0=whole\nTTITLE1=cu");
    EXPECT_EQ(d.Tracks, QStringList{QStringLiteral("whole")});
    // Latin-1 from an old server stays readable; hostile numbers stay in range.
    d = ParseXmcd("TTITLE0=Caf\xe9\n# Track frame offsets:\n#999999999999\n# Disc length: 0 "
                  "seconds\n");
    EXPECT_EQ(d.Tracks.value(0), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(d.Durations.value(0), std::numeric_limits<int32_t>::min());
}

TEST(FreeDBSearch, UrlAndResultLinks) {
    EXPECT_EQ(FreeDBSearchUrl(QStringLiteral("site.example"), QStringLiteral("pink floyd")),
              QStringLiteral("http://site.example/freedb_search.php?words=pink+floyd&allfields=NO"
                             "&fields=artist&fields=title&allcats=YES&grouping=none"));
    const QByteArray page =
        "<a href=\"http://site.example/freedb_search_fmt.php?cat=rock&id=1b02ba03\">Some Artist / "
        "Some Album</a><br>"
        "<a href=\"http://site.example/freedb_search_fmt.php?cat=misc\">no id</a>"
        "<a href=\"http://site.example/freedb_search_fmt.php?cat=rock&cmd=x&id=12\">A / B</a>"
        "<a href=\"http://site.example/freedb_search_fmt.php?cat=jazz&id=0a0b0c0d\">No slash</a>";
    const QList<TLookupMatch> m = ParseFreeDBSearchPage(page, QStringLiteral("site.example"));
    ASSERT_EQ(m.size(), 1);
    EXPECT_EQ(m[0].Title, QStringLiteral("Some Artist / Some Album"));
    EXPECT_EQ(m[0].Category, QStringLiteral("rock"));
    EXPECT_EQ(m[0].Id, QStringLiteral("1b02ba03"));
}

TEST(Cddb, DiscIdFromDurations) {
    const TCddbDisc disc = CddbDiscFromDurations({264667, 266667, 166667});
    EXPECT_EQ(disc.Offsets, (QList<int64_t>{150, 20000, 40000}));
    EXPECT_EQ(disc.Seconds, 700);
    EXPECT_EQ(disc.Id, QStringLiteral("1b02ba03"));
    EXPECT_EQ(
        CddbQueryUrl(QStringLiteral("gnudb.example"), QStringLiteral("/~cddb/cddb.cgi"), disc,
                     CddbHello(QStringLiteral("me+x@mail.example"), QStringLiteral("0.1.0.0"))),
        QStringLiteral("http://gnudb.example/~cddb/cddb.cgi?cmd=cddb+query+1b02ba03+3+150+"
                       "20000+40000+700&hello=me%2Bx+mail.example+Sonvale+0.1.0.0&proto=6"));
}

TEST(Cddb, QueryReplies) {
    struct TCase {
        QByteArray Body;
        int Matches;
        const char* Error;
    } cases[] = {
        {"200 rock 1b02ba03 Some Artist / Some Album\r\n", 1, ""},
        {"211 Found inexact matches, list follows (until terminating `.')\r\nrock 1b02ba03 A / "
         "B\r\nmisc 1b02ba04 C / D\r\nbad&cat 1b02ba05 E / F\r\n.\r\nrock 1b02ba06 after end\r\n",
         2, ""},
        {"210 Found exact matches\nblues 0a0b0c0d X / Y\n.\n", 1, ""},
        {"202 No match found.\r\n", 0, "No album found."},
        {"403 Database entry is corrupt.\r\n", 0, "The server's entry for this album is corrupt."},
        {"409 No handshake.\r\n", 0,
         "The server refused the greeting; check the e-mail address in the settings."},
        {"530 Server error.\r\n", 0, "The server refused the request: 530 Server error."},
        {"", 0, "No reply from the server."},
        {"<html>gone</html>\n", 0, "Unexpected reply from the server: <html>gone</html>"},
    };
    for (const TCase& c : cases) {
        const TCddbQueryReply r = ParseCddbQueryReply(c.Body);
        EXPECT_EQ(r.Matches.size(), c.Matches) << c.Body.constData();
        EXPECT_EQ(r.Error, QString::fromUtf8(c.Error)) << c.Body.constData();
    }
    EXPECT_EQ(CddbReadError("401 Specified CDDB entry not found.\r\n"),
              QStringLiteral("The server has no such entry."));
    EXPECT_EQ(CddbReadError(kEntry), QString());
}

TEST(MusicBrainz, SearchAndRelease) {
    QString error;
    const QList<TLookupMatch> found = ParseMusicBrainzSearch(
        R"({"created":"x","count":2,"offset":0,"releases":[
            {"id":"b84ee12a-09ef-421b-82de-0441a926375b","title":"Some Album","date":"1999-03-01",
             "track-count":3,"artist-credit":[{"name":"A","joinphrase":" & "},{"name":"B"}]},
            {"id":"not-a-uuid","title":"X"}]})",
        &error);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].Title, QStringLiteral("A & B / Some Album (1999, 3 tracks)"));
    const TAlbumDetails d = ParseMusicBrainzRelease(
        R"({"id":"b84ee12a-09ef-421b-82de-0441a926375b","title":"Some Album","date":"1999",
            "artist-credit":[{"name":"A","joinphrase":""}],"genres":[{"name":"rock","count":3}],
            "media":[{"tracks":[{"title":"Intro","length":61000},{"title":"Outro","length":null,
            "recording":{"title":"Outro","length":null}}]},{"tracks":[{"title":"Bonus",
            "recording":{"length":5000}}]}]})",
        &error);
    EXPECT_EQ(d.Artist, QStringLiteral("A"));
    EXPECT_EQ(d.Year, QStringLiteral("1999"));
    EXPECT_EQ(d.Genre, QStringLiteral("rock"));
    EXPECT_EQ(d.Tracks, (QStringList{QStringLiteral("Intro"), QStringLiteral("Outro"),
                                     QStringLiteral("Bonus")}));
    EXPECT_EQ(d.Durations, (QList<int32_t>{61000, 0, 5000}));
    error.clear();
    ParseMusicBrainzRelease("{\"error\":\"Not Found\"}", &error);
    EXPECT_FALSE(error.isEmpty());
}

TEST(AlbumLookup, EachSourceThroughALocalServer) {
    struct TCase {
        TLookupSource Source;
        QByteArray SearchReply;
        QByteArray FetchReply;
        const char* SearchStart; // of the first request line
    } cases[] = {
        {TLookupSource::CddbQuery, "211 inexact\r\nrock 1b02ba03 Some Artist / Some Album\r\n.\r\n",
         kEntry, "GET /~cddb/cddb.cgi?cmd=cddb+query+1b02ba03+3+150+20000+40000+700&hello="},
        {TLookupSource::MusicBrainz,
         R"({"releases":[{"id":"b84ee12a-09ef-421b-82de-0441a926375b","title":"Some Album",
             "artist-credit":[{"name":"Some Artist"}]}]})",
         R"({"title":"Some Album","artist-credit":[{"name":"Some Artist"}],"media":[{"tracks":[
             {"title":"Intro","length":1},{"title":"A very long title that the server split over two lines"},{"title":"Outro"}]}]})",
         "GET /ws/2/release/?query=some%20album&fmt=json&limit=25 HTTP/1.0"},
    };
    for (const TCase& c : cases) {
        TReplayServer server([&](const QByteArray& head) {
            const bool search = head.contains("query");
            return TReplay{TReplayServer::Ok(search ? c.SearchReply : c.FetchReply)};
        });
        TLookupConfig config;
        config.Source = c.Source;
        config.Server = server.Url();
        config.MusicBrainzServer = server.Url();
        config.Email = QStringLiteral("me@mail.example");
        THttpClient client;
        client.TimeoutMs = 10000;
        const TLookupTransfer transfer = ClientTransfer(client);
        const TLookupSearchResult found = RunLookupSearch(config, QStringLiteral("some album"),
                                                          {264667, 266667, 166667}, transfer);
        ASSERT_EQ(found.Matches.size(), 1) << found.Error.toStdString();
        const TLookupFetchResult fetched = RunLookupFetch(config, found.Matches[0], transfer);
        EXPECT_EQ(fetched.Details.Artist, QStringLiteral("Some Artist"));
        EXPECT_EQ(fetched.Details.Tracks.value(1),
                  QStringLiteral("A very long title that the server split over two lines"));
        const QList<QByteArray> requests = server.Requests();
        ASSERT_EQ(requests.size(), 2);
        EXPECT_TRUE(requests[0].startsWith(c.SearchStart)) << requests[0].constData();
        if (c.Source == TLookupSource::MusicBrainz) {
            EXPECT_TRUE(requests[1].contains("User-Agent: Sonvale/" + ProgramVersion().toUtf8() +
                                             " ( me@mail.example )\r\n"));
        }
    }
}

TEST(AlbumLookup, ACutReplyIsNotTakenForAWholeAlbum) {
    TReplayServer server([](const QByteArray&) {
        return TReplay{"HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + kEntry.left(300),
                       TReplay::Cut};
    });
    TLookupConfig config;
    config.Source = TLookupSource::CddbQuery;
    config.Server = server.Url();
    THttpClient client;
    const TLookupFetchResult r = RunLookupFetch(
        config, {QStringLiteral("x"), QStringLiteral("1b02ba03"), QStringLiteral("rock")},
        ClientTransfer(client));
    EXPECT_TRUE(r.Error.startsWith(QStringLiteral("The transfer did not complete")));
    EXPECT_TRUE(r.Details.Tracks.isEmpty());
}

TEST(MusicBrainz, AtMostOneRequestASecond) {
    MusicBrainzRequestDelay();
    const int second = MusicBrainzRequestDelay();
    const int third = MusicBrainzRequestDelay();
    EXPECT_GT(second, 900);
    EXPECT_GT(third, 1900);
}

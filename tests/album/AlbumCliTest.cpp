#include "album/AlbumFixture.h"
#include "audio/AudioHelpers.h"
#include "support/ReplayServer.h"
#include "tagtools/TagToolsSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace tagtools;
using namespace album;

namespace {

int Cli(const QStringList& args, QByteArray* out, QByteArray* err = nullptr) {
    static QTemporaryDir config; // the CLI's own settings, never the user's
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    return fixtures::RunProgram(QStringLiteral(SONVALE_CLI_PATH), args, out, err);
}

} // namespace

TEST(AlbumCli, LooksUpSortsByTimeRenamesTagsAndWritesThePlaylist) {
    QTemporaryDir tmp;
    const QString album = MakeAlbum(tmp.path());
    TReplayServer server([](const QByteArray& head) {
        if (head.contains("cmd=cddb+query+")) return TReplay{TReplayServer::Ok(kQueryReply)};
        return TReplay{TReplayServer::Ok(kReadReply)};
    });
    QByteArray out, err;
    ASSERT_EQ(
        Cli({QStringLiteral("album"), album, QStringLiteral("--lookup"), QStringLiteral("cddb"),
             QStringLiteral("--server"), server.Url(), QStringLiteral("--email"),
             QStringLiteral("me@mail.example"), QStringLiteral("--pick"), QStringLiteral("1"),
             QStringLiteral("--sort"), QStringLiteral("time"), QStringLiteral("--pattern"),
             QStringLiteral("%6 - %2"), QStringLiteral("--playlist")},
            &out, &err),
        0)
        << err.toStdString();
    ASSERT_EQ(server.Requests().size(), 2);
    EXPECT_TRUE(server.Requests()[1].startsWith(
        "GET /~cddb/cddb.cgi?cmd=cddb+read+misc+0a000803&hello=me+mail.example+Sonvale+"));
    const QDir dir(album);
    const char* const expected[] = {"01 - Intro.mp3", "02 - Middle.mp3", "03 - The Track.mp3"};
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QString::fromLatin1(expected[i]));
        ASSERT_TRUE(QFile::exists(path)) << out.toStdString();
        EXPECT_NEAR(AudioDurationMs(path), 1000 * (i + 1), 150);
        if (HaveMutagen()) {
            const QJsonObject t = Mutagen(path, kEasyTags);
            EXPECT_EQ(t[QStringLiteral("tracknumber")].toString(), QString::number(i + 1));
            EXPECT_EQ(t[QStringLiteral("artist")].toString(), QStringLiteral("The Band"));
            EXPECT_EQ(t[QStringLiteral("genre")].toString(), QStringLiteral("Jazz"));
        }
    }
    const QByteArray prefix = (album + QLatin1Char('/')).toUtf8();
    EXPECT_EQ(fixtures::ReadFile(dir.filePath(QStringLiteral("The Band - Some Album.m3u"))),
              prefix + "01 - Intro.mp3\r\n" + prefix + "02 - Middle.mp3\r\n" + prefix +
                  "03 - The Track.mp3\r\n");
}

TEST(AlbumCli, DryRunByWordsChangesNothing) {
    QTemporaryDir tmp;
    const QString album = MakeAlbum(tmp.path());
    const QString tracks = tmp.filePath(QStringLiteral("tracks.txt"));
    fixtures::WriteFile(tracks, "Intro\r\nMiddle\r\nTrack\r\n");
    QByteArray out, err;
    ASSERT_EQ(Cli({QStringLiteral("album"), album, QStringLiteral("--tracks"), tracks,
                   QStringLiteral("--sort"), QStringLiteral("words"), QStringLiteral("--pattern"),
                   QStringLiteral("%6 - %2"), QStringLiteral("--dry-run")},
                  &out, &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(out.contains("b intro.mp3 -> 01 - Intro.mp3\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("a track.mp3 -> 03 - Track.mp3\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("title=Middle")) << out.toStdString();
    EXPECT_TRUE(QFile::exists(album + QStringLiteral("/a track.mp3")));
    EXPECT_FALSE(QFile::exists(album + QStringLiteral("/01 - Intro.mp3")));
}

TEST(LookupCli, MusicBrainzPickPrintsTheAlbum) {
    TReplayServer server([](const QByteArray& head) {
        if (head.contains("query="))
            return TReplay{TReplayServer::Ok(
                R"({"releases":[{"id":"b84ee12a-09ef-421b-82de-0441a926375b","title":"Some Album","artist-credit":[{"name":"The Band"}]}]})")};
        // A chunked reply, as the service may send one.
        QByteArray reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (const QByteArray& piece : {QByteArray(R"({"title":"Some Album","media":[{"tracks")"),
                                        QByteArray(R"(:[{"title":"Intro","length":61000}]}]})")})
            reply += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        return TReplay{reply + "0\r\n\r\n"};
    });
    QByteArray out, err;
    ASSERT_EQ(Cli({QStringLiteral("lookup"), QStringLiteral("--source"),
                   QStringLiteral("musicbrainz"), QStringLiteral("--server"), server.Url(),
                   QStringLiteral("--pick"), QStringLiteral("1"), QStringLiteral("some album")},
                  &out, &err),
              0)
        << err.toStdString();
    const QJsonObject album = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(album[QStringLiteral("album")].toString(), QStringLiteral("Some Album"));
    const QJsonArray tracks = album[QStringLiteral("tracks")].toArray();
    ASSERT_EQ(tracks.size(), 1);
    EXPECT_EQ(tracks[0][QStringLiteral("duration_ms")].toInt(), 61000);
}

TEST(LookupCli, ExitStatuses) {
    TReplayServer server(
        [](const QByteArray&) { return TReplay{TReplayServer::Ok("202 No match found.\r\n")}; });
    QTemporaryDir tmp;
    const QString album = MakeAlbum(tmp.path());
    QByteArray out, err;
    EXPECT_EQ(Cli({QStringLiteral("lookup"), QStringLiteral("--folder"), album,
                   QStringLiteral("--server"), server.Url()},
                  &out, &err),
              1);
    EXPECT_TRUE(err.contains("No album found.")) << err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("lookup"), QStringLiteral("--source"), QStringLiteral("nope"),
                   QStringLiteral("x")},
                  &out),
              2);
    EXPECT_EQ(Cli({QStringLiteral("album"), album}, &out), 2);
}

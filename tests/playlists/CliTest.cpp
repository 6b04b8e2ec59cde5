// sonvale-cli playlist and list: exit statuses, dry runs, JSON.
#include "tagtools/TagToolsSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace tagtools;

namespace {

class PlaylistCli : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    QByteArray out, err;

    int Cli(QStringList args) {
        for (QString& a : args)
            a.replace(QStringLiteral("@"), tmp.path());
        return fixtures::RunProgram(QString::fromUtf8(SONVALE_CLI_PATH), args, &out, &err);
    }
    QString P(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
};

TEST_F(PlaylistCli, ExitStatusesTellUsageErrorsAndFailures) {
    ASSERT_TRUE(fixtures::WriteFile(P("a.mp3"), "x"));
    ASSERT_TRUE(fixtures::WriteFile(P("ok.m3u"), "a.mp3\r\n"));
    ASSERT_TRUE(fixtures::WriteFile(P("bad.m3u"), "a.mp3\r\nb.mp3\r\n"));
    const struct {
        QStringList Args;
        int Status;
    } cases[] = {
        {{"playlist"}, 2},
        {{"playlist", "mix"}, 2},
        {{"playlist", "create", "--name", "n", "@/a.mp3"}, 2},
        {{"playlist", "check", "@/ok.m3u", "--relative"}, 2},
        {{"playlist", "check", "@/ok.m3u"}, 0},
        {{"playlist", "check", "@/bad.m3u"}, 1},
        {{"playlist", "check", "@/none.m3u"}, 1},
        {{"playlist", "check", "@"}, 1},
        {{"playlist", "create", "--out", "@", "--name", "n", "@/a.mp3", "@/none.mp3"}, 1},
        {{"playlist", "create", "--out", "@/none", "--name", "n", "@/a.mp3"}, 1},
        {{"list", "@/a.mp3"}, 2},
        {{"list", "--columns", "path,colour", "@/a.mp3"}, 2},
        {{"list", "--columns", "path", "--layout", "html", "@/a.mp3"}, 2},
        {{"list", "--columns", "path", "--json", "@/a.mp3"}, 2},
        {{"list", "--columns", "path", "@/a.mp3"}, 1}, // not an MPEG file inside
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli(c.Args), c.Status) << c.Args.join(' ').toStdString() << "\n" << err.data();
}

TEST_F(PlaylistCli, CreateCheckAndSave) {
    dir.mkpath(QStringLiteral("Lists"));
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"));
    const QString b = MakeMp3(dir, QStringLiteral("b.mp3"));
    ASSERT_EQ(
        Cli({"playlist", "create", "--out", "@/Lists", "--name", "mix", "--relative", a, b, a}), 0)
        << err.data();
    EXPECT_EQ(fixtures::ReadFile(P("Lists/mix.m3u")), "../a.mp3\r\n../b.mp3\r\n../a.mp3\r\n");

    QFile::remove(b);
    const QByteArray before = fixtures::ReadFile(P("Lists/mix.m3u"));
    EXPECT_EQ(Cli({"playlist", "check", "@/Lists/mix.m3u", "--save", "--dry-run"}), 0);
    EXPECT_TRUE(out.contains(a.toUtf8() + "\r\n" + a.toUtf8() + "\r\n")) << out.data();
    EXPECT_EQ(fixtures::ReadFile(P("Lists/mix.m3u")), before);

    ASSERT_EQ(Cli({"playlist", "check", "@/Lists/mix.m3u", "--save", "--relative", "--json"}), 0);
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(o["entries"].toInt(), 3);
    EXPECT_EQ(o["invalid"].toArray(), QJsonArray{"../b.mp3"}); // as stored: it names nothing
    EXPECT_TRUE(o["saved"].toBool());
    EXPECT_EQ(fixtures::ReadFile(P("Lists/mix.m3u")), "../a.mp3\r\n../a.mp3\r\n");
}

TEST_F(PlaylistCli, ListsToStandardOutputOrAFolder) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"));
    ASSERT_EQ(Cli({"list", "--columns", "format,samplerate,bitrate", "--kbps", "--layout", "sql",
                   tmp.path()}),
              0);
    EXPECT_EQ(out, "\"MP3\";\"32 Kbps\";\"22050\"\r\n"); // the columns' own order
    ASSERT_EQ(Cli({"list", "--columns", "title", "--layout", "xml", "--out", "@", "--json", a}), 0);
    EXPECT_EQ(QJsonDocument::fromJson(out).object()["listed"].toInt(), 1);
    EXPECT_EQ(fixtures::ReadFile(P("sonvale.xml")),
              "<sonvale>\r\n<file><filename>a</filename></file>\r\n</sonvale>\r\n");
}

} // namespace

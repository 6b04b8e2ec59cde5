#include "OrganizeSupport.h"
#include "support/CliRun.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace organize;

namespace {

class OrganizeCli : public TCliFolderTest {
protected:
    void SetUp() override {
        // The settings the commands fall back on are the test's own.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    }
    QList<QJsonObject> JsonLines() {
        QList<QJsonObject> lines;
        for (const QString& l : out.split('\n', Qt::SkipEmptyParts))
            lines << QJsonDocument::fromJson(l.toUtf8()).object();
        return lines;
    }
};

TEST_F(OrganizeCli, DryRunPlansWhatTheRunThenDoes) {
    const QString song = Song(dir, "in/a.mp3", {{"artist", "A"}, {"album", "B"}, {"title", "T"}});
    Song(dir, "in/lacking.mp3", {{"title", "T"}});
    dir.mkpath("out");
    const QStringList args = {"organize",     "--move", dir.filePath("out"),
                              "--subfolders", "%1/%3",  "--rename",
                              "%2",           "--json", dir.filePath("in")};
    const auto before = Files(tmp.path());
    ASSERT_EQ(Cli(QStringList(args) << "--dry-run"), 1) << err.toStdString();
    EXPECT_EQ(Files(tmp.path()), before);
    const QList<QJsonObject> planned = JsonLines();
    ASSERT_EQ(planned.size(), 2) << out.toStdString();
    EXPECT_EQ(planned[0]["old"].toString(), song);
    EXPECT_EQ(planned[0]["new"].toString(), dir.filePath("out/A/B/T.mp3"));
    EXPECT_EQ(planned[0]["status"].toString(), "moved");
    EXPECT_EQ(planned[1]["status"].toString(), "failed");
    EXPECT_EQ(planned[1]["reason"].toString(), "incomplete tags: no artist, album");

    EXPECT_EQ(Cli(args), 1);
    EXPECT_EQ(JsonLines(), planned);
    EXPECT_EQ(fixtures::ReadFile(dir.filePath("out/A/B/T.mp3")), before.value("in/a.mp3"));

    // Only the file that could go: exit 0; a bad option or no path: 2.
    EXPECT_EQ(Cli({"organize", "--rename", "%1 - %2", dir.filePath("out")}), 0);
    EXPECT_TRUE(out.startsWith("renamed: ")) << out.toStdString();
    EXPECT_EQ(Cli({"organize", "--bogus", "x", song}), 2);
    EXPECT_EQ(Cli({"organize", "--json"}), 2);
    EXPECT_EQ(Cli({"organize", "--move", dir.filePath("none"), dir.filePath("out")}), 2);
}

TEST_F(OrganizeCli, MagicFolderLinksTheSongs) {
    const QString song = Song(dir, "s.mp3", {{"artist", "A"}, {"album", "B"}});
    const QString magic = dir.filePath("magic");
    ASSERT_EQ(Cli({"magic-folder", "--out", magic, "--dry-run", "--json", song}), 0);
    EXPECT_FALSE(QFileInfo::exists(magic));
    EXPECT_EQ(JsonLines().size(), 3);
    ASSERT_EQ(Cli({"magic-folder", "--out", magic, song}), 0) << err.toStdString();
    EXPECT_EQ(out.count("linked: "), 3);
    EXPECT_EQ(QFileInfo(magic + "/By Artist/A/s.mp3").symLinkTarget(), song);
    EXPECT_EQ(Cli({"magic-folder", "--out", dir.filePath("s.mp3"), song}), 1);
    EXPECT_EQ(Cli({"magic-folder", "--out"}), 2);
}

} // namespace

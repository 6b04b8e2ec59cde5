// The playlist creator's and checker's runs: their messages, what they write and where.
#include "tools/PlaylistTools.h"
#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tools/Playlist.h"
#include "tools/Progress.h"
#include "tools/StreamWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class PlaylistTools : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"Music/Album/a.mp3", "Music/Album/b.ogg", "Music/Other/c.mp3"})
            ASSERT_TRUE(fixtures::WriteFile(Path(f), "x"));
        dir.mkpath(QStringLiteral("Lists"));
    }
    QString Path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
    TFileStreamWriter writer;
    TNullProgress progress;
};

TEST_F(PlaylistTools, CreatorRefusesWhatCannotBeWritten) {
    const QStringList one{Path("Music/Album/a.mp3")};
    const struct {
        QStringList Entries;
        QString Name;
        QString Folder;
        const char* Message;
        const char* NameAfter;
    } cases[] = {
        {{}, QStringLiteral("mix"), Path("Lists/"), "Empty List", "mix"},
        {one, QStringLiteral("   "), Path("Lists/"), "Invalid Playlist Name", ""},
        {one, QStringLiteral("../mix"), Path("Lists/"), "Invalid Playlist Name", "../mix"},
        {one, QStringLiteral(" mix "), Path("Missing/"), "Invalid Output Directory", "mix"},
        {one, QStringLiteral("mix"), QString(), "Invalid Output Directory", "mix"},
    };
    for (const auto& c : cases) {
        prompter.Shown.clear();
        const TPlaylistCreatorResult r =
            RunPlaylistCreator({c.Entries, c.Name, c.Folder, false}, writer, prompter);
        EXPECT_FALSE(r.Written) << c.Message;
        EXPECT_EQ(r.Name, QLatin1String(c.NameAfter));
        EXPECT_EQ(prompter.Texts(), QStringList{QLatin1String(c.Message)});
    }
    EXPECT_TRUE(QDir(Path("Lists")).isEmpty());
}

TEST_F(PlaylistTools, CreatorWritesRelativeEntriesBesideTheOutputFolder) {
    const QString lists = Path("Lists/");
    const TPlaylistCreatorResult r = RunPlaylistCreator(
        {{Path("Lists/x.mp3"), Path("Music/Album/a.mp3"), Path("Music/Album/a.mp3")},
         QStringLiteral(" mix "),
         lists,
         true},
        writer, prompter);
    ASSERT_TRUE(r.Written);
    EXPECT_EQ(r.Target, Path("Lists/mix.m3u"));
    EXPECT_EQ(fixtures::ReadFile(r.Target),
              "x.mp3\r\n../Music/Album/a.mp3\r\n../Music/Album/a.mp3\r\n");
    EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Done !")});
}

TEST_F(PlaylistTools, OutputFolderOfTheFirstFile) {
    EXPECT_EQ(PlaylistFolderForFile(QStringLiteral("/Music/Album/a.mp3"), 0),
              QStringLiteral("/Music/Album/"));
    EXPECT_EQ(PlaylistFolderForFile(QStringLiteral("/Music/Album/a.mp3"), 1),
              QStringLiteral("/Music/"));
    EXPECT_EQ(PlaylistFolderForFile(QStringLiteral("/a.mp3"), 1), QStringLiteral("/"));
    EXPECT_EQ(PlaylistFolderForFile(QStringLiteral("/Music/Album/a.mp3"), 2), QString());
}

TEST_F(PlaylistTools, CheckerDropsMissingEntriesAndSavesInTheOwnFormat) {
    // A PLS as players write it on Windows: relative entries with backslashes.
    const QString pls = Path("Lists/mix.pls");
    ASSERT_TRUE(fixtures::WriteFile(pls, "[playlist]\r\nFile1=..\\Music\\Album\\a.mp3\r\n"
                                         "Title1=A\r\nFile2=..\\Music\\gone.mp3\r\n"
                                         "File3=../Music/Other/c.mp3\r\nNumberOfEntries=3\r\n"));
    const TLoadedPlaylist loaded = LoadPlaylistForCheck(pls);
    EXPECT_EQ(loaded.Folder, Path("Lists/"));
    const TPlaylistAnalysis a = AnalysePlaylist(loaded.Entries, loaded.Folder, progress);
    EXPECT_EQ(a.Valid, (QStringList{Path("Music/Album/a.mp3"), Path("Music/Other/c.mp3")}));
    EXPECT_EQ(a.Invalid.size(), 1);
    ASSERT_TRUE(SaveCheckedPlaylist(loaded, a.Valid, true, writer, prompter));
    EXPECT_EQ(fixtures::ReadFile(pls), "[playlist]\r\nfile1=../Music/Album/a.mp3\r\n"
                                       "file2=../Music/Other/c.mp3\r\nNumberOfEntries=2\r\n"
                                       "Version=2\r\n");
    // Read back by an INI reader.
    if (fixtures::HaveProgram(QStringLiteral("python3"))) {
        QByteArray out;
        ASSERT_EQ(fixtures::RunProgram(QStringLiteral("python3"),
                                       {QStringLiteral("-c"),
                                        QStringLiteral("import configparser,sys\n"
                                                       "c=configparser.ConfigParser()\n"
                                                       "c.read(sys.argv[1])\n"
                                                       "print(c['playlist']['file2'])"),
                                        pls},
                                       &out),
                  0);
        EXPECT_EQ(out.trimmed(), "../Music/Other/c.mp3");
    }
    // The same entries saved over an M3U give an M3U.
    const QString m3u = Path("Lists/mix.m3u");
    ASSERT_TRUE(fixtures::WriteFile(m3u, "#EXTM3U\r\n"));
    EXPECT_TRUE(SaveCheckedPlaylist({m3u, Path("Lists/"), {}}, a.Valid, false, writer, prompter));
    EXPECT_EQ(fixtures::ReadFile(m3u), (a.Valid.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
}

TEST_F(PlaylistTools, CheckerSavesNothingItShouldNot) {
    const QString m3u = Path("Lists/mix.m3u");
    ASSERT_TRUE(fixtures::WriteFile(m3u, "old\r\n"));
    const QStringList valid{Path("Music/Album/a.mp3")};
    const struct {
        TLoadedPlaylist Playlist;
        QStringList Entries;
        const char* Message;
    } cases[] = {
        {{}, valid, "Please load a playlist first."},
        {{m3u, Path("Lists/"), {}},
         {},
         "Empty playlist... You should delete the playlist file manually."},
    };
    for (const auto& c : cases) {
        prompter.Shown.clear();
        EXPECT_FALSE(SaveCheckedPlaylist(c.Playlist, c.Entries, false, writer, prompter));
        EXPECT_EQ(prompter.Texts(), QStringList{QLatin1String(c.Message)});
    }
    // A playlist that cannot be replaced stays as it was, and the reason is told.
    prompter.Shown.clear();
    ::chmod(QFile::encodeName(m3u).constData(), 0444);
    EXPECT_FALSE(SaveCheckedPlaylist({m3u, Path("Lists/"), {}}, valid, false, writer, prompter));
    EXPECT_EQ(prompter.Texts().last(), QStringLiteral("Failed."));
    EXPECT_EQ(prompter.Shown.first().Kind, int(mkError));
    EXPECT_EQ(fixtures::ReadFile(m3u), "old\r\n");
}

} // namespace

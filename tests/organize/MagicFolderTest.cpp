#include "OrganizeSupport.h"

#include "tools/MagicFolder.h"

#include <QTemporaryDir>

using namespace organize;

namespace {

TEST(MagicFolder, BranchPathsFromArtistAndAlbum) {
    struct {
        QString Artist, Album;
        QString ArtistAlbum, AlbumOnly, ArtistOnly; // below each branch; empty: left out
    } cases[] = {
        {"Air", "Moon Safari", "Air\\Moon Safari", "Moon Safari", "Air"},
        {"AC/DC", "Live?", "ACDC\\Live", "Live", "ACDC"},
        {"A.", "B.", "A.\\B", "B", "A"},
        {"A", "By Artist", "A\\By Artist", "By Artist", "A"},
        {"..", "B", "", "", ""},
        {"A", " ", "", "", ""},
    };
    for (const auto& c : cases) {
        const QStringList expected =
            c.ArtistAlbum.isEmpty()
                ? QStringList()
                : QStringList{"By Artist and Album\\" + c.ArtistAlbum, "By Album\\" + c.AlbumOnly,
                              "By Artist\\" + c.ArtistOnly};
        QStringList paths;
        EXPECT_EQ(MagicFolderPaths(c.Artist, c.Album, paths), !expected.isEmpty());
        EXPECT_EQ(paths, expected);
    }
}

TEST(MagicFolder, TreeFindsFoldersByExactTextAndSorts) {
    TMagicTree tree;
    tree.AddSongToTree("By Album\\b", "/m/2.mp3");
    tree.AddSongToTree("By Album\\B", "/m/1.mp3");
    tree.AddSongToTree("By Album\\b\\", "/m/0.mp3");
    tree.AddSongToTree("\\By Artist", "/m/3.mp3");
    tree.Sort();
    EXPECT_EQ(tree.Count, 4);
    ASSERT_EQ(tree.Roots().size(), 2u);
    const TMagicNode& album = tree.Roots()[0];
    ASSERT_EQ(album.Text, "By Album");
    ASSERT_EQ(album.Children.size(), 2u);
    EXPECT_EQ(album.Children[0].Text, "B");
    EXPECT_EQ(album.Children[1].Text, "b");
    ASSERT_EQ(album.Children[1].Children.size(), 2u);
    EXPECT_EQ(album.Children[1].Children[0].Text, "/m/0.mp3");
    EXPECT_FALSE(album.Children[1].Children[0].Folder);
}

class MagicRun : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    QString base = dir.filePath("magic");
    TScriptedPrompter prompter;
    TNullProgress progress;

    TMagicBuildResult Build(const QStringList& paths, TMagicTree& tree) {
        TMagicBuildOptions o;
        o.Paths = paths;
        return BuildMagicTree(o, tree, progress, prompter);
    }
    TMagicCreateResult Create(const TMagicTree& tree) {
        TMagicCreateOptions o;
        o.BaseFolder = base;
        o.DesktopFolder = dir.filePath("desktop");
        return CreateMagicFolder(tree, o, progress, prompter);
    }
    // Every link below the base with what it points to.
    QMap<QString, QString> Links() {
        QMap<QString, QString> links;
        QDirIterator it(base, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().isSymLink())
                links.insert(QDir(base).relativeFilePath(it.filePath()),
                             it.fileInfo().symLinkTarget());
        }
        return links;
    }
};

TEST_F(MagicRun, CreatingTwiceLeavesOneSetOfLinksAndTheUsersFiles) {
    const TTags moon = {{"artist", "Air"}, {"album", "Moon Safari"}};
    const QString one = Song(dir, "cd1/song.mp3", moon), two = Song(dir, "cd2/song.mp3", moon);
    const QString lacking = Song(dir, "lacking.mp3", {{"artist", "Air"}});
    TMagicTree tree;
    prompter.Answers.enqueue(mrNo);
    const TMagicBuildResult built = Build({one, lacking, two}, tree);
    EXPECT_EQ(built.IncompleteTags, QStringList{lacking});
    EXPECT_FALSE(built.LoadIntoEditor);
    tree.Sort();
    // Things of the user's: a file, and a linked folder whose content must not be touched.
    dir.mkpath("mine/deep");
    dir.mkpath("desktop");
    fixtures::WriteFile(dir.filePath("mine/notes.txt"), "n");
    QFile::link(one, dir.filePath("mine/deep/a link.mp3"));
    ASSERT_TRUE(Create(tree).Ran);
    fixtures::WriteFile(base + "/By Album/notes.txt", "keep");
    QFile::link(dir.filePath("mine"), base + "/By Artist/mine");

    const QMap<QString, QString> expected = {
        {"By Album/Moon Safari/song.mp3", one},
        {"By Album/Moon Safari/song (2).mp3", two},
        {"By Artist/Air/song.mp3", one},
        {"By Artist/Air/song (2).mp3", two},
        {"By Artist and Album/Air/Moon Safari/song.mp3", one},
        {"By Artist and Album/Air/Moon Safari/song (2).mp3", two}};
    const TMagicCreateResult second = Create(tree);
    EXPECT_EQ(second.Made, 7); // with the desktop's
    EXPECT_TRUE(second.Failures.isEmpty());
    EXPECT_EQ(Links(), expected);
    EXPECT_EQ(prompter.Texts().count("Magic Folder successfully updated."), 2);
    EXPECT_EQ(fixtures::ReadFile(base + "/By Album/notes.txt"), "keep");
    EXPECT_TRUE(QFileInfo(dir.filePath("mine/deep/a link.mp3")).isSymLink());
    EXPECT_EQ(QFileInfo(dir.filePath("desktop/Sonvale Magic Folder")).symLinkTarget(), base);

    // The user's own folder is not cleared as if it were a magic folder.
    base = dir.filePath("mine");
    EXPECT_FALSE(Create(tree).Ran);
    EXPECT_TRUE(QFileInfo(dir.filePath("mine/deep/a link.mp3")).isSymLink());
    EXPECT_EQ(prompter.Shown.last().Kind, mkError);
}

TEST_F(MagicRun, IncompleteSongsCanGoToTheEditor) {
    const QString song = Song(dir, "s.mp3", {{"album", "B"}});
    TMagicTree tree;
    prompter.Answers.enqueue(mrYes);
    const TMagicBuildResult r = Build({song, dir.filePath("gone.mp3")}, tree);
    EXPECT_TRUE(r.LoadIntoEditor);
    EXPECT_EQ(r.IncompleteTags, (QStringList{song, dir.filePath("gone.mp3")}));
    EXPECT_EQ(prompter.Shown.last().Text,
              "Files with incomplete tags were found. Do you want to cancel the current operation "
              "and load these files in the tag editor ?");
}

} // namespace

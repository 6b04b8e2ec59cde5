#include "tools/FolderScan.h"

#include "io/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

QStringList Scan(const QString& folder, bool recurse) {
    QStringList files;
    TFolderScanHooks hooks;
    hooks.File = [&](const QString& p) { files.append(p); };
    EXPECT_TRUE(ScanFolder(folder, recurse, hooks));
    return files;
}

} // namespace

TEST(FolderScan, ExtensionsAndListablePaths) {
    EXPECT_EQ(ListPathExtension("/a/b.MP3"), "MP3");
    EXPECT_EQ(ListPathExtension("/a.dir/file"), "");
    EXPECT_EQ(ListPathExtension("C:\\a.dir\\file"), "");
    EXPECT_EQ(ListPathExtension("noext"), "");
    EXPECT_EQ(ListPathExtension("x."), "");
    EXPECT_TRUE(IsListablePath("/a/b.MP3"));
    EXPECT_TRUE(IsListablePath("/a/b.flac"));
    EXPECT_TRUE(IsListablePath("/a/b.mp+"));
    for (const char* p : {"/a/b.wav", "/a/b.wma", "/a/b.aac", "/a/b", ".wv", "a.", ""})
        EXPECT_FALSE(IsListablePath(p)) << p;
    EXPECT_TRUE(IsListablePath("x.wv"));
    EXPECT_FALSE(IsListablePath("x.w"));
}

TEST(FolderScan, DepthFirstAndHiddenFiles) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    Touch(root + "/a/inner.mp3");
    Touch(root + "/a/deeper/deep.ogg");
    Touch(root + "/.hidden.mp3");
    Touch(root + "/top.txt");
    QStringList all = Scan(root, true);
    EXPECT_EQ(all.size(), 4);
    EXPECT_TRUE(all.contains(root + "/.hidden.mp3"));
    // Whatever the listing order, a folder's files come together with its subfolders'.
    const qsizetype inner = all.indexOf(root + "/a/inner.mp3");
    const qsizetype deep = all.indexOf(root + "/a/deeper/deep.ogg");
    ASSERT_GE(inner, 0);
    ASSERT_GE(deep, 0);
    EXPECT_EQ(std::abs(inner - deep), 1);
    // Without recursion only the top folder's files.
    const QStringList top = Scan(root, false);
    EXPECT_EQ(top.size(), 2);
    EXPECT_FALSE(top.contains(root + "/a/inner.mp3"));
    // A trailing separator gives a single one in the paths.
    EXPECT_TRUE(Scan(root + "/", false).contains(root + "/top.txt"));
}

TEST(FolderScan, UnlistableFoldersAndLinkCycles) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    EXPECT_TRUE(Scan(root + "/missing", true).isEmpty());
    Touch(root + "/x/a.mp3");
    ASSERT_TRUE(QFile::link(root, root + "/x/loop"));
    EXPECT_EQ(Scan(root, true), QStringList{root + "/x/a.mp3"});
    // Only subfolders and no recursion: nothing.
    EXPECT_TRUE(Scan(root, false).isEmpty());
}

TEST(FolderScan, CancelStopsTheWalk) {
    QTemporaryDir tmp;
    for (int i = 0; i < 5; ++i)
        Touch(tmp.path() + QString("/f%1.mp3").arg(i));
    int seen = 0;
    TFolderScanHooks hooks;
    hooks.File = [&](const QString&) { ++seen; };
    hooks.Cancelled = [&] { return seen == 2; };
    EXPECT_FALSE(ScanFolder(tmp.path(), true, hooks));
    EXPECT_EQ(seen, 2);
}

TEST(FolderScan, NameOrderIgnoringCaseWithSubfoldersInPlace) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    // Created out of order, so the file system's own order cannot pass by chance.
    for (const char* name : {"10 - j.mp3", "b/02.mp3", "03 - c.mp3", "B/01.mp3", "01 - a.MP3",
                             "a.mp3", "02 - B.mp3", "b/01.mp3", "C.mp3"})
        Touch(root + "/" + name);
    QStringList got = Scan(root, true);
    for (QString& p : got)
        p = p.mid(root.size() + 1);
    // "b" and "B" are two folders on a case-sensitive file system; either may come first.
    const QStringList head = {"01 - a.MP3", "02 - B.mp3", "03 - c.mp3", "10 - j.mp3", "a.mp3"};
    ASSERT_EQ(got.size(), 9);
    EXPECT_EQ(got.mid(0, 5), head);
    const QStringList middle = got.mid(5, 3);
    EXPECT_TRUE(middle == QStringList({"b/01.mp3", "b/02.mp3", "B/01.mp3"}) ||
                middle == QStringList({"B/01.mp3", "b/01.mp3", "b/02.mp3"}))
        << middle.join(", ").toStdString();
    EXPECT_EQ(got.last(), "C.mp3");
}

TEST(FolderScan, ListingTypesEntriesAndFollowsLinks) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    Touch(root + "/sub/f.mp3");
    ASSERT_TRUE(QFile::link(root + "/sub", root + "/to-folder"));
    ASSERT_TRUE(QFile::link(root + "/sub/f.mp3", root + "/to-file"));
    ASSERT_TRUE(QFile::link(root + "/gone", root + "/dangling"));
    std::vector<TFolderEntry> entries;
    ASSERT_TRUE(ListFolder(root, entries));
    const struct {
        const char* name;
        bool folder, link;
    } expected[] = {{"sub", true, false},
                    {"to-folder", true, true},
                    {"to-file", false, true},
                    {"dangling", false, true}};
    ASSERT_EQ(entries.size(), std::size(expected)); // "." and ".." left out
    for (const auto& e : expected) {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const TFolderEntry& x) { return x.Name == e.name; });
        ASSERT_NE(it, entries.end()) << e.name;
        EXPECT_EQ(it->Folder, e.folder) << e.name;
        EXPECT_EQ(it->Link, e.link) << e.name;
    }
    EXPECT_FALSE(ListFolder(root + "/missing", entries));
}

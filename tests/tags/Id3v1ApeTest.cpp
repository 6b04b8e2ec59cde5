#include "TagTestUtil.h"
#include "support/TagFiles.h"

#include "io/SonvaleError.h"
#include "tags/ApeTag.h"
#include "tags/FieldList.h"
#include "tags/Id3v1Tag.h"

#include <gtest/gtest.h>
#include <random>

using namespace tagtest;

namespace {

class Id3v1Test : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("a.mp3"));
};

TEST(GenreTable, NamesAndNumbers) {
    EXPECT_EQ(GenreNames().size(), 148);
    EXPECT_EQ(GenreName(0), QStringLiteral("Blues"));
    EXPECT_EQ(GenreName(147), QStringLiteral("Synthpop"));
    EXPECT_EQ(GenreName(148), QStringLiteral("148"));
    EXPECT_EQ(GenreName(255), QStringLiteral("255"));
    EXPECT_EQ(GenreNumber(QStringLiteral("rock")), 17);
    EXPECT_EQ(GenreNumber(QStringLiteral("ROCK")), 17);
    EXPECT_EQ(GenreNumber(QStringLiteral("17")), 17);
    EXPECT_EQ(GenreNumber(QStringLiteral("300")), 44);
    EXPECT_EQ(GenreNumber(QStringLiteral("Polka Punk Fusion")), 255);
    EXPECT_EQ(GenreNumber(QString()), 255);
    EXPECT_EQ(GenreNumber(QStringLiteral("-3")), 255);
}

TEST_F(Id3v1Test, WriteReadRoundTripAndWidths) {
    WriteBytes(path, Audio(1000));
    TId3V1File t;
    ASSERT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    QString thirty(30, QLatin1Char('x'));
    t.Fields = {QStringLiteral("Title=") + thirty + QStringLiteral("CUT"),
                QStringLiteral("artist=Caf\u00e9"),
                QStringLiteral("Year=20045"),
                QStringLiteral("track=300"),
                QStringLiteral("comments=hello"),
                QStringLiteral("genre=rock")};
    ASSERT_TRUE(t.Write());
    QByteArray bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 1128);
    EXPECT_EQ(bytes.mid(1000, 3), QByteArray("TAG"));
    EXPECT_EQ(bytes.mid(1003, 30), thirty.toLatin1()); // no terminator
    EXPECT_EQ(uint8_t(bytes[1000 + 125]), 0);
    EXPECT_EQ(uint8_t(bytes[1000 + 126]), 44); // low 8 bits of 300
    EXPECT_EQ(uint8_t(bytes[1000 + 127]), 17);

    TId3V1File r;
    ASSERT_TRUE(r.Open(path));
    ASSERT_TRUE(r.Present);
    EXPECT_EQ(r.MinorVersion, 2);
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("TITLE")), thirty);
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("ARTIST")), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("YEAR")), QStringLiteral("2004"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("TRACK")), QStringLiteral("44"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("GENRE")), QStringLiteral("Rock"));
    EXPECT_EQ(FieldName(r.Fields.last()), QStringLiteral("GENRE"));

    // A second write overwrites the block; no track gives a 1.0 block.
    r.Fields = {QStringLiteral("title=B"), QStringLiteral("track=abc"),
                QStringLiteral("comments=") + thirty, QStringLiteral("genre=nonsense")};
    ASSERT_TRUE(r.Write());
    EXPECT_EQ(ReadBytes(path).size(), 1128);
    TId3V1File v10;
    ASSERT_TRUE(v10.Open(path));
    EXPECT_EQ(v10.MinorVersion, 1);
    EXPECT_EQ(FieldIndex(v10.Fields, QStringLiteral("TRACK")), -1);
    EXPECT_EQ(FieldValue(v10.Fields, QStringLiteral("COMMENTS")), thirty);
    EXPECT_EQ(FieldValue(v10.Fields, QStringLiteral("GENRE")), QStringLiteral("255"));

    ASSERT_TRUE(v10.Remove());
    EXPECT_EQ(ReadBytes(path), Audio(1000));
}

TEST_F(Id3v1Test, ShortOrMissingFiles) {
    WriteBytes(path, QByteArray(100, 'a'));
    TId3V1File t;
    EXPECT_FALSE(t.Open(path));
    t.Fields = {QStringLiteral("title=x")};
    EXPECT_FALSE(t.Write());
    EXPECT_EQ(ReadBytes(path).size(), 100);
    TId3V1File missing;
    EXPECT_FALSE(missing.Open(dir.filePath(QStringLiteral("none.mp3"))));
    EXPECT_THROW(missing.Remove(), ESonvaleError);
}

TEST_F(Id3v1Test, SpaceVersionRuleAndTrimming) {
    QByteArray block = Id3v1Block("Song  \0\0", "Band", 0, 13);
    block[125] = ' ';
    block[126] = 7; // space then a non-space: 1.1
    WriteBytes(path, Audio(300) + block);
    TId3V1File t;
    ASSERT_TRUE(t.Open(path));
    EXPECT_EQ(t.MinorVersion, 2);
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("TITLE")), QStringLiteral("Song"));
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("TRACK")), QStringLiteral("7"));
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("GENRE")), QStringLiteral("Pop"));
}

TEST(Id3v1Fields, EndAtTheirFirstNul) {
    // Junk behind the terminator, as some writers leave it, is not part of the value.
    QByteArray block = Id3v1Block("Song", "Band", 0, 13);
    std::memcpy(block.data() + 3 + 5, "junk", 4);
    std::memcpy(block.data() + 33 + 4, "\0\0 xx", 6);
    TId3V1Tag t;
    ASSERT_TRUE(t.Parse(block));
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("TITLE")), QStringLiteral("Song"));
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("ARTIST")), QStringLiteral("Band"));
}

class ApeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("a.mpc"));
};

TEST_F(ApeTest, HeaderBinaryItemAndId3v1AreKept) {
    QByteArray cover("\x89PNG\r\n\x1a\n\0\0binary", 16);
    QByteArray items = ApeItem("Title", "Old") +
                       ApeItem("Cover Art (Front)", QByteArray("f.png\0", 6) + cover, 2) +
                       ApeItem("Catalog", "X-1", 1) + ApeItem("Artist", QByteArray("A\0B", 3), 0);
    QByteArray header = ApeFooter(int(items.size()), 4, 0xA0000000u);
    QByteArray footer = ApeFooter(int(items.size()), 4, 0x80000000u);
    QByteArray v1 = Id3v1Block("T1", "A1", 1, 0);
    WriteBytes(path, Audio() + header + items + footer + v1);

    TApeTagFile t;
    ASSERT_TRUE(t.Open(path));
    ASSERT_TRUE(t.Present);
    EXPECT_TRUE(t.HasId3v1);
    EXPECT_EQ(t.TagStart, 4000);
    EXPECT_EQ(t.Items().size(), 4u);
    // The binary item is no text field.
    EXPECT_EQ(FieldIndex(t.Fields, QStringLiteral("Cover Art (Front)")), -1);
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("title")), QStringLiteral("Old"));
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("artist")), QStringLiteral("A / B"));

    t.Fields = {QStringLiteral("Title=New"), QStringLiteral("Comment=\u00fcber"),
                QStringLiteral("Artist=")};
    ASSERT_TRUE(t.Write());
    QByteArray after = ReadBytes(path);
    EXPECT_EQ(after.left(4000), Audio());
    EXPECT_EQ(after.right(128), v1);
    // Footer only now, no header; the binary and read-only items survive.
    EXPECT_EQ(after.indexOf("APETAGEX"), after.size() - 128 - 32);
    EXPECT_NE(after.indexOf(ApeItem("Cover Art (Front)", QByteArray("f.png\0", 6) + cover, 2)), -1);
    EXPECT_NE(after.indexOf(ApeItem("Catalog", "X-1", 1)), -1);

    TApeTagFile r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("TITLE")), QStringLiteral("New"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("Comment")), QStringLiteral("\u00fcber"));
    EXPECT_NE(FieldIndex(r.Fields, QStringLiteral("Artist")), -1); // zero-length item
    EXPECT_EQ(r.Items().size(), 5u);

    ASSERT_TRUE(r.Remove());
    EXPECT_EQ(ReadBytes(path), Audio() + v1);
}

TEST_F(ApeTest, InsertedBeforeId3v1AndEmptyList) {
    QByteArray v1 = Id3v1Block("T1", "A1", 1, 0);
    WriteBytes(path, Audio() + v1);
    TApeTagFile t;
    ASSERT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    ASSERT_TRUE(t.Write());
    QByteArray after = ReadBytes(path);
    EXPECT_EQ(after, Audio() + ApeFooter(0, 0, 0) + v1);
}

TEST_F(ApeTest, DamagedTagsAreNoTags) {
    QByteArray items = ApeItem("Title", "Old");
    // A value length past the block.
    QByteArray bad = LE32(5000) + LE32(0) + "Title" + '\0' + "xx";
    WriteBytes(path, Audio() + bad + ApeFooter(int(bad.size()), 1, 0));
    TApeTagFile t;
    EXPECT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    // Version 1000 and a size beyond the file.
    QByteArray v1000 = items + QByteArray("APETAGEX") + LE32(1000) + LE32(items.size() + 32) +
                       LE32(1) + LE32(0) + QByteArray(8, '\0');
    WriteBytes(path, Audio() + v1000);
    EXPECT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    WriteBytes(path, QByteArray("x") + ApeFooter(0x7FFFFFF0, 99999999, 0x80000000u));
    EXPECT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    // A huge item count in a small block stops at the block's end.
    QByteArray two = ApeItem("A", "1") + ApeItem("B", "2");
    WriteBytes(path, Audio() + two + ApeFooter(int(two.size()), 0x7FFFFFFF, 0));
    EXPECT_TRUE(t.Open(path));
    EXPECT_TRUE(t.Present);
    EXPECT_EQ(t.Fields, QStringList({QStringLiteral("A=1"), QStringLiteral("B=2")}));
}

TEST_F(ApeTest, RandomDamageNeverCrashes) {
    QByteArray items = ApeItem("Title", "Old") + ApeItem("Cover", QByteArray(300, 'c'), 2) +
                       ApeItem("Artist", "x");
    QByteArray good = Audio(200) + ApeFooter(int(items.size()), 3, 0xA0000000u) + items +
                      ApeFooter(int(items.size()), 3, 0x80000000u) + Id3v1Block("t", "a", 1, 2);
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        QByteArray b = good;
        for (int k = 0; k < 1 + int(rng() % 4); ++k)
            b[int(200 + rng() % (b.size() - 200))] = char(rng());
        WriteBytes(path, b);
        TApeTagFile t;
        t.Open(path);
        (void)t.BuildTag();
        TId3V1File v1;
        v1.Open(path);
    }
}

TEST_F(Id3v1Test, ReadOnlyFilesAreNotWritten) {
    WriteBytes(path, Audio(300) + Id3v1Block("t", "a", 1, 2));
    QByteArray before = ReadBytes(path);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    TId3V1File t;
    ASSERT_TRUE(t.Open(path));
    t.Fields = {QStringLiteral("title=changed")};
    EXPECT_FALSE(t.Write());
    EXPECT_THROW(t.Remove(), ESonvaleError);
    EXPECT_EQ(ReadBytes(path), before);
}

} // namespace

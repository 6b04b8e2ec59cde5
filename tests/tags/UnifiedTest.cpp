#include "TagTestUtil.h"
#include "support/TagFiles.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "audio/WavAudioFile.h"
#include "tags/ApeTag.h"
#include "tags/FieldList.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "tags/MetaTag.h"
#include "tags/TagSelect.h"

#include <gtest/gtest.h>

using namespace tagtest;

namespace {

QByteArray Wave(int dataBytes = 4000) {
    QByteArray fmt = LE32(0).left(0);
    auto le16 = [](int v) { return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8)); };
    fmt = QByteArray("fmt ") + LE32(16) + le16(1) + le16(2) + LE32(44100) + LE32(176400) + le16(4) +
          le16(16);
    QByteArray data = QByteArray("data") + LE32(uint32_t(dataBytes)) + Audio(dataBytes);
    return QByteArray("RIFF") + LE32(uint32_t(4 + fmt.size() + data.size())) + "WAVE" + fmt + data;
}

TEST(MetaTag, FamilyOf) {
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("mp3")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral(".MP3")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("FLA")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("ogg")), tfVorbis);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral(".MPP")), tfApe);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("mp+")), tfApe);
    // WAVE, AC-3 and MPEG layers I/II carry ID3 tags; Windows Media its attributes.
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("wav")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("mp2")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral(".MP1")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("ac3")), tfId3);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("wma")), tfAsf);
    EXPECT_EQ(TMetaTag::FamilyOf(QStringLiteral("mp4")), tfNone);
    EXPECT_EQ(TMetaTag::FamilyOf(QString()), tfNone);
}

TEST(MetaTag, FromAndToFileTags) {
    TMetaTag m;
    m.FromFileTags({QStringLiteral("TITLE=Song"), QStringLiteral("TITLE=Group"),
                    QStringLiteral("ARTIST=Art"), QStringLiteral("RECORDTIME=2004-05-06"),
                    QStringLiteral("COMMENTS=c"), QStringLiteral("TRACK=3/12")},
                   tfId3);
    EXPECT_EQ(m.Fields, QStringList({"Comments=c", "Artist=Art", "Album=", "Title=Song",
                                     "Year=2004", "Track=3/12", "Genre="}));
    m.FromFileTags({QStringLiteral("artist=lower"), QStringLiteral("DATE=1999"),
                    QStringLiteral("TRACKNUMBER=7"), QStringLiteral("COMMENT=v")},
                   tfVorbis);
    EXPECT_EQ(m.Value(QStringLiteral("artist")), QStringLiteral("lower"));
    EXPECT_EQ(m.Value(QStringLiteral("year")), QStringLiteral("1999"));
    EXPECT_EQ(m.Value(QStringLiteral("track")), QStringLiteral("7"));
    EXPECT_EQ(m.Value(QStringLiteral("comments")), QStringLiteral("v"));
    m.ToFileTags(tfVorbis);
    EXPECT_EQ(m.Fields, QStringList({"Comment=v", "Artist=lower", "Album=", "Title=", "Date=1999",
                                     "TrackNumber=7", "Genre="}));
    m.FromFileTags({QStringLiteral("Title=x")}, tfNone);
    EXPECT_TRUE(m.Fields.isEmpty());
    m.ToFileTags(tfNone);
    EXPECT_TRUE(m.Fields.isEmpty());

    QStringList merged =
        MergeFamilyLines({QStringLiteral("TITLE=Old"), QStringLiteral("title=Old2"),
                          QStringLiteral("BPM=120"), QStringLiteral("Comment=apecomment")},
                         {QStringLiteral("Comments=new"), QStringLiteral("Title=New")}, tfId3);
    EXPECT_EQ(merged, QStringList({"Comments=new", "Title=New", "BPM=120", "Comment=apecomment"}));
}

TEST(MetaTag, YearOfAFreeTextDate) {
    const std::pair<const char*, const char*> cases[] = {
        {"2004-05-06", "2004"}, {"1995", "1995"},     {"Oct 3, 1995", "1995"}, {"Oct ", ""},
        {"3.10.95", ""},        {"19951003", "1995"}, {"x 12345 y", ""},
    };
    for (const auto& [date, year] : cases)
        EXPECT_EQ(YearOfDate(QString::fromLatin1(date)), QString::fromLatin1(year)) << date;
    TMetaTag m;
    m.FromFileTags({QStringLiteral("RECORDTIME=Oct 3, 1995")}, tfId3);
    EXPECT_EQ(m.Value(QStringLiteral("year")), QStringLiteral("1995"));
}

class TaggedFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(TaggedFiles, PreferredTagsPickApeThenId3v2ThenId3v1) {
    QString path = dir.filePath(QStringLiteral("a.mp3"));
    QByteArray v2 = Tag(3, Frame("TIT2", Latin1Text("From v2")), 0, 20);
    QByteArray items = ApeItem("Title", "From APE");
    QByteArray v1 = Id3v1Block("From v1", "", 0, 255);
    WriteBytes(path, v2 + Audio() + items + ApeFooter(int(items.size()), 1, 0) + v1);
    TFileTagInfo all = ReadPreferredTags(path);
    EXPECT_EQ(all.TagKinds, tkId3v1 | tkId3v2 | tkApeV2);
    EXPECT_EQ(all.Id3v2Size, v2.size());
    EXPECT_EQ(FieldValue(all.Tags, QStringLiteral("title")), QStringLiteral("From APE"));
    WriteBytes(path, v2 + Audio() + v1);
    EXPECT_EQ(FieldValue(ReadPreferredTags(path).Tags, QStringLiteral("title")),
              QStringLiteral("From v2"));
    WriteBytes(path, Audio() + v1);
    TFileTagInfo only1 = ReadPreferredTags(path);
    EXPECT_EQ(only1.TagKinds, tkId3v1);
    EXPECT_EQ(only1.Id3v2Size, 0);
    EXPECT_EQ(FieldValue(only1.Tags, QStringLiteral("title")), QStringLiteral("From v1"));
    EXPECT_EQ(ReadPreferredTags(dir.filePath(QStringLiteral("missing.mp3"))).TagKinds, 0);
}

TEST_F(TaggedFiles, WaveTagStepAndBaseWriteRemove) {
    QString path = dir.filePath(QStringLiteral("a.wav"));
    QByteArray riff = Wave();
    WriteBytes(path, Tag(3, Frame("TIT2", Latin1Text("Wave title")) +
                                Frame("APIC", QByteArray(1, 0) + "image/png" + '\0' + char(3) +
                                                  '\0' + "PNGDATA")) +
                         riff);
    {
        TWavAudioFile w(path);
        EXPECT_EQ(FieldValue(w.Tags, QStringLiteral("TITLE")), QStringLiteral("Wave title"));
        EXPECT_EQ(w.GetPcmSize(), 4000);
        EXPECT_EQ(w.TagKinds, tkId3v2);
        // The leading tag moves into an "id3 " chunk; ID3v1 and APEv2 have no place.
        w.Tags = {QStringLiteral("title=New"), QStringLiteral("artist=Band")};
        EXPECT_TRUE(w.WriteTags(tkId3v1 | tkId3v2 | tkApeV2 | tkVorbis));
    }
    QByteArray after = ReadBytes(path);
    ASSERT_TRUE(after.startsWith("RIFF"));
    EXPECT_EQ(after.mid(12, riff.size() - 12), riff.mid(12));
    const int chunk = after.indexOf("id3 ");
    ASSERT_EQ(chunk, riff.size());
    TId3V2Tag v2;
    ASSERT_TRUE(v2.Parse(after.mid(chunk + 8)));
    EXPECT_EQ(after.mid(chunk + 4, 4), LE32(uint32_t(v2.TagSize())));
    EXPECT_EQ(after.size(), chunk + 8 + v2.TagSize());
    EXPECT_EQ(after.mid(4, 4), LE32(uint32_t(after.size() - 8)));
    EXPECT_EQ(v2.FrameValues("TIT2"), QStringList{QStringLiteral("New")});
    bool picture = false;
    for (const TId3Frame& f : v2.Frames())
        picture = picture || f.Id == "APIC";
    EXPECT_TRUE(picture);
    {
        TWavAudioFile w(path);
        EXPECT_EQ(w.TagKinds, tkId3v2);
        EXPECT_EQ(FieldValue(w.Tags, QStringLiteral("ARTIST")), QStringLiteral("Band"));
        EXPECT_EQ(w.GetPcmSize(), 4000);
        EXPECT_TRUE(w.RemoveTags(tkAllRemoved));
    }
    EXPECT_EQ(ReadBytes(path), riff);
}

TEST_F(TaggedFiles, WaveWithOnlyId3v1) {
    QString path = dir.filePath(QStringLiteral("b.wav"));
    WriteBytes(path, Wave() + Id3v1Block("V1 title", "V1 artist", 2, 17));
    TWavAudioFile w(path);
    EXPECT_EQ(FieldValue(w.Tags, QStringLiteral("TITLE")), QStringLiteral("V1 title"));
    EXPECT_EQ(FieldValue(w.Tags, QStringLiteral("GENRE")), QStringLiteral("Rock"));
    EXPECT_EQ(w.TagKinds, tkId3v1);
}

TEST_F(TaggedFiles, ReadAndWriteFileTagsOfUnknownFormats) {
    QString path = dir.filePath(QStringLiteral("a.xyz"));
    WriteBytes(path, Audio());
    QStringList unified{QStringLiteral("keep=1")};
    EXPECT_FALSE(ReadFileTags(path, unified));
    EXPECT_EQ(unified, QStringList{QStringLiteral("keep=1")});
    EXPECT_FALSE(WriteFileTags(path, QStringLiteral("a"), -1, {}, {}, {}, {}, {}, {}));
    EXPECT_EQ(ReadBytes(path), Audio());
}

TEST_F(TaggedFiles, WriteFileTagsOnWaveKeepsItsTag) {
    // WAVE files are of the ID3 family: the unified view shows their tag, and a
    // write keeps what it does not change.
    QString path = dir.filePath(QStringLiteral("c.wav"));
    WriteBytes(path, Tag(3, Frame("TIT2", Latin1Text("Kept"))) + Wave());
    QStringList unified;
    ASSERT_TRUE(ReadFileTags(path, unified));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("title")), QStringLiteral("Kept"));
    EXPECT_TRUE(WriteFileTags(path, QStringLiteral("A"), tkId3v2, {}, {}, {}, {}, {},
                              QStringLiteral("Kept")));
    ASSERT_TRUE(ReadFileTags(path, unified));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("title")), QStringLiteral("Kept"));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("artist")), QStringLiteral("A"));
    EXPECT_TRUE(ReadBytes(path).startsWith("RIFF"));
}

} // namespace

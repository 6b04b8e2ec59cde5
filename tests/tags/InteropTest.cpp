// Tags written by other programs read right here, and what we write reads
// right in mutagen and TagLib.
#include "TagTestUtil.h"
#include "support/TagFiles.h"

#include "audio/AbstractAudioFile.h"
#include "audio/FileTags.h"
#include "tags/ApeTag.h"
#include "tags/FieldList.h"
#include "tags/Id3v2Tag.h"
#include "tags/MetaTag.h"
#include "tags/TagSelect.h"

#include "audio/AudioFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#ifdef SONVALE_HAVE_TAGLIB
#include <taglib/apefile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#endif

using namespace tagtest;

namespace {

const QString kTitle = QStringLiteral("T\u00eftle \u65e5\u672c \U0001F3B5");
const QString kArtist = QStringLiteral("\u00c4rtist");

class Interop : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString mp3 = dir.filePath(QStringLiteral("a.mp3"));

    void SetUp() override {
        if (!HaveTool(QStringLiteral("lame"))) GTEST_SKIP() << "lame not installed";
        QString wav = dir.filePath(QStringLiteral("in.wav"));
        // One second of a quiet tone, 8 kHz mono.
        QByteArray pcm;
        for (int i = 0; i < 8000; ++i) {
            int16_t s = int16_t((i % 40) * 200 - 4000);
            pcm += char(s & 0xFF), pcm += char(s >> 8);
        }
        auto le16 = [](int v) { return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8)); };
        QByteArray fmt = QByteArray("fmt ") + LE32(16) + le16(1) + le16(1) + LE32(8000) +
                         LE32(16000) + le16(2) + le16(16);
        WriteBytes(wav, QByteArray("RIFF") + LE32(uint32_t(4 + fmt.size() + 8 + pcm.size())) +
                            "WAVE" + fmt + "data" + LE32(uint32_t(pcm.size())) + pcm);
        ASSERT_EQ(tagtest::Run(QStringLiteral("lame"), {QStringLiteral("--silent"), wav, mp3}), 0);
    }

    // Runs a mutagen script with the file as sys.argv[1]; returns its JSON.
    QJsonObject Mutagen(const QString& script) {
        QString out;
        int rc =
            tagtest::Run(QString::fromLatin1(kPython), {QStringLiteral("-c"), script, mp3}, &out);
        EXPECT_EQ(rc, 0) << out.toStdString();
        return QJsonDocument::fromJson(out.toUtf8()).object();
    }

    QStringList Unified() {
        TMetaTag m;
        m.FromFileTags(ReadPreferredTags(mp3).Tags, tfId3);
        return m.Fields;
    }
    QString U(const char* name) { return FieldValue(Unified(), QString::fromLatin1(name)); }
};

const char* const kMutagenWrite = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TDRC, TCON, TRCK, COMM, APIC, USLT, TXXX
v = int(sys.argv[2]) if len(sys.argv) > 2 else 4
t = ID3()
t.add(TIT2(encoding=int(sys.argv[3]) if len(sys.argv) > 3 else 3, text=[u"T\u00eftle \u65e5\u672c \U0001F3B5"]))
t.add(TPE1(encoding=1, text=[u"\u00c4rtist"]))
t.add(TALB(encoding=0, text=[u"Alb\u00fcm"]))
t.add(TDRC(encoding=3, text=[u"2021-03-04"]))
t.add(TCON(encoding=3, text=[u"(17)"]))
t.add(TRCK(encoding=3, text=[u"3/9"]))
t.add(COMM(encoding=1, lang="eng", desc="", text=[u"c\u00f6mment"]))
t.add(APIC(encoding=3, mime="image/png", type=3, desc=u"cover", data=b"\x89PNG" + b"\xff" * 3000))
t.add(USLT(encoding=1, lang="eng", desc="", text=u"la la la"))
t.add(TXXX(encoding=3, desc=u"CUSTOM", text=[u"kept"]))
t.save(sys.argv[1], v2_version=v)
)PY";

const char* const kMutagenDump = R"PY(
import sys, json
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
d = {"version": t.version[1]}
for k in ("TIT2", "TPE1", "TALB", "TYER", "TDRC", "TCON", "TRCK"):
    if k in t: d[k] = str(t[k])
d["COMM"] = [f.text[0] for f in t.getall("COMM")]
d["APIC"] = [len(f.data) for f in t.getall("APIC")]
d["USLT"] = [f.text for f in t.getall("USLT")]
d["TXXX"] = [f.text[0] for f in t.getall("TXXX")]
d["frames"] = len(t.getall(""))
print(json.dumps(d))
)PY";

TEST_F(Interop, ReadsMutagenTags) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    for (QString version : {QStringLiteral("4"), QStringLiteral("3")}) {
        for (QString enc : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) {
            if (version == QLatin1String("3") && enc != QLatin1String("1")) continue;
            QString out;
            ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                                   {QStringLiteral("-c"), QString::fromLatin1(kMutagenWrite), mp3,
                                    version, enc},
                                   &out),
                      0);
            SCOPED_TRACE((version + QLatin1Char('/') + enc).toStdString());
            EXPECT_EQ(U("Title"), kTitle);
            EXPECT_EQ(U("Artist"), kArtist);
            EXPECT_EQ(U("Album"), QStringLiteral("Alb\u00fcm"));
            EXPECT_EQ(U("Year"), QStringLiteral("2021"));
            EXPECT_EQ(U("Genre"), QStringLiteral("Rock"));
            EXPECT_EQ(U("Track"), QStringLiteral("3/9"));
            EXPECT_EQ(U("Comments"), QStringLiteral("c\u00f6mment"));
        }
    }
}

TEST_F(Interop, ReadsMid3v2EyeD3AndId3v2Tags) {
    if (HaveTool(QStringLiteral("mid3v2"))) {
        ASSERT_EQ(
            tagtest::Run(QStringLiteral("mid3v2"),
                         {QStringLiteral("-a"), kArtist, QStringLiteral("-t"), kTitle,
                          QStringLiteral("-g"), QStringLiteral("Jazz"), QStringLiteral("-T"),
                          QStringLiteral("7"), QStringLiteral("-y"), QStringLiteral("1999"), mp3}),
            0);
        EXPECT_EQ(U("Title"), kTitle);
        EXPECT_EQ(U("Artist"), kArtist);
        EXPECT_EQ(U("Genre"), QStringLiteral("Jazz"));
        EXPECT_EQ(U("Year"), QStringLiteral("1999"));
        EXPECT_EQ(U("Track"), QStringLiteral("7"));
        tagtest::Run(QStringLiteral("mid3v2"), {QStringLiteral("-D"), mp3});
    }
    if (HaveTool(QStringLiteral("eyeD3"))) {
        for (QString v : {QStringLiteral("--to-v2.3"), QStringLiteral("--to-v2.4")}) {
            ASSERT_EQ(
                tagtest::Run(QStringLiteral("eyeD3"),
                             {QStringLiteral("-Q"), v, QStringLiteral("-a"), kArtist,
                              QStringLiteral("-t"), kTitle, QStringLiteral("-A"),
                              QStringLiteral("Alb"), QStringLiteral("-n"), QStringLiteral("4"),
                              QStringLiteral("-G"), QStringLiteral("Funk"), QStringLiteral("-c"),
                              QStringLiteral("eyed comment"), QStringLiteral("--recording-date"),
                              QStringLiteral("2020"), mp3}),
                0);
            SCOPED_TRACE(v.toStdString());
            EXPECT_EQ(U("Title"), kTitle);
            EXPECT_EQ(U("Artist"), kArtist);
            EXPECT_EQ(U("Album"), QStringLiteral("Alb"));
            EXPECT_EQ(U("Track"), QStringLiteral("04")); // as eyeD3 stores it
            EXPECT_EQ(U("Genre"), QStringLiteral("Funk"));
            EXPECT_EQ(U("Comments"), QStringLiteral("eyed comment"));
            EXPECT_EQ(U("Year"), QStringLiteral("2020"));
        }
        tagtest::Run(QStringLiteral("eyeD3"),
                     {QStringLiteral("-Q"), QStringLiteral("--remove-all"), mp3});
    }
    if (HaveTool(QStringLiteral("id3v2"))) {
        ASSERT_EQ(
            tagtest::Run(QStringLiteral("id3v2"),
                         {QStringLiteral("-a"), QStringLiteral("Plain Artist"),
                          QStringLiteral("-t"), QStringLiteral("Plain Title"), QStringLiteral("-g"),
                          QStringLiteral("17"), QStringLiteral("-T"), QStringLiteral("5/10"),
                          QStringLiteral("-y"), QStringLiteral("1987"), QStringLiteral("-c"),
                          QStringLiteral("id3v2 cmt"), mp3}),
            0);
        TFileTagInfo info = ReadPreferredTags(mp3);
        EXPECT_EQ(info.TagKinds & (tkId3v1 | tkId3v2), tkId3v1 | tkId3v2);
        EXPECT_EQ(U("Title"), QStringLiteral("Plain Title"));
        EXPECT_EQ(U("Artist"), QStringLiteral("Plain Artist"));
        EXPECT_EQ(U("Genre"), QStringLiteral("Rock"));
        EXPECT_EQ(U("Track"), QStringLiteral("5/10"));
        EXPECT_EQ(U("Year"), QStringLiteral("1987"));
        EXPECT_EQ(U("Comments"), QStringLiteral("id3v2 cmt"));
    }
}

TEST_F(Interop, ReadsKid3AndFfmpegTags) {
    if (HaveTool(QStringLiteral("ffmpeg"))) {
        QString tagged = dir.filePath(QStringLiteral("ff.mp3"));
        ASSERT_EQ(tagtest::Run(QStringLiteral("ffmpeg"), {QStringLiteral("-v"),
                                                          QStringLiteral("error"),
                                                          QStringLiteral("-y"),
                                                          QStringLiteral("-i"),
                                                          mp3,
                                                          QStringLiteral("-c"),
                                                          QStringLiteral("copy"),
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("title=") + kTitle,
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("artist=") + kArtist,
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("date=2019"),
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("track=3/7"),
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("genre=Jazz"),
                                                          QStringLiteral("-metadata"),
                                                          QStringLiteral("comment=ff comment"),
                                                          tagged}),
                  0);
        TMetaTag m;
        m.FromFileTags(ReadPreferredTags(tagged).Tags, tfId3);
        EXPECT_EQ(m.Value(QStringLiteral("title")), kTitle);
        EXPECT_EQ(m.Value(QStringLiteral("artist")), kArtist);
        EXPECT_EQ(m.Value(QStringLiteral("year")), QStringLiteral("2019"));
        EXPECT_EQ(m.Value(QStringLiteral("track")), QStringLiteral("3/7"));
        EXPECT_EQ(m.Value(QStringLiteral("genre")), QStringLiteral("Jazz"));
        EXPECT_EQ(m.Value(QStringLiteral("comments")), QStringLiteral("ff comment"));
    }
    if (HaveTool(QStringLiteral("kid3-cli"))) {
        ASSERT_EQ(
            tagtest::Run(QStringLiteral("kid3-cli"),
                         {QStringLiteral("-c"), QStringLiteral("set title \"%1\"").arg(kTitle),
                          QStringLiteral("-c"), QStringLiteral("set artist \"%1\"").arg(kArtist),
                          QStringLiteral("-c"), QStringLiteral("set comment \"kid comment\""),
                          QStringLiteral("-c"), QStringLiteral("set genre Rock"),
                          QStringLiteral("-c"), QStringLiteral("set date 2018"), mp3}),
            0);
        EXPECT_EQ(U("Title"), kTitle);
        EXPECT_EQ(U("Artist"), kArtist);
        EXPECT_EQ(U("Comments"), QStringLiteral("kid comment"));
        EXPECT_EQ(U("Genre"), QStringLiteral("Rock"));
        EXPECT_EQ(U("Year"), QStringLiteral("2018"));
    }
}

TEST_F(Interop, OurWritesReadRightInMutagenAndKeepPictures) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    QString out;
    ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                           {QStringLiteral("-c"), QString::fromLatin1(kMutagenWrite), mp3,
                            QStringLiteral("4")},
                           &out),
              0);
    QJsonObject before = Mutagen(QString::fromLatin1(kMutagenDump));
    TId3V2File t;
    ASSERT_TRUE(t.Open(mp3));
    TMetaTag m;
    m.FromFileTags(t.Fields, tfId3);
    m.SetValue(QStringLiteral("Title"), QStringLiteral("N\u00eaw \u00fc title \u4e2d"));
    m.SetValue(QStringLiteral("Comments"), QStringLiteral("n\u00eaw comment"));
    m.SetValue(QStringLiteral("Year"), QStringLiteral("2022"));
    m.ToFileTags(tfId3);
    t.Fields = MergeFamilyLines(t.Fields, m.Fields, tfId3);
    ASSERT_TRUE(t.Write());

    QJsonObject after = Mutagen(QString::fromLatin1(kMutagenDump));
    EXPECT_EQ(after[QStringLiteral("version")].toInt(), 3);
    EXPECT_EQ(after[QStringLiteral("TIT2")].toString(),
              QStringLiteral("N\u00eaw \u00fc title \u4e2d"));
    EXPECT_EQ(after[QStringLiteral("TPE1")].toString(), kArtist);
    EXPECT_EQ(after[QStringLiteral("TALB")].toString(), QStringLiteral("Alb\u00fcm"));
    EXPECT_EQ(after[QStringLiteral("TRCK")].toString(), QStringLiteral("3/9"));
    // mutagen shows a 2.3 year as TDRC.
    EXPECT_EQ(after[QStringLiteral("TDRC")].toString(), QStringLiteral("2022"));
    EXPECT_EQ(after[QStringLiteral("COMM")].toVariant().toStringList(),
              QStringList{QStringLiteral("n\u00eaw comment")});
    EXPECT_EQ(after[QStringLiteral("APIC")], before[QStringLiteral("APIC")]);
    EXPECT_EQ(after[QStringLiteral("USLT")], before[QStringLiteral("USLT")]);
    EXPECT_EQ(after[QStringLiteral("TXXX")], before[QStringLiteral("TXXX")]);

#ifdef SONVALE_HAVE_TAGLIB
    TagLib::MPEG::File f(QFile::encodeName(mp3).constData());
    ASSERT_TRUE(f.isValid());
    ASSERT_TRUE(f.ID3v2Tag());
    EXPECT_EQ(QString::fromStdWString(f.tag()->title().toWString()),
              QStringLiteral("N\u00eaw \u00fc title \u4e2d"));
    EXPECT_EQ(QString::fromStdWString(f.tag()->artist().toWString()), kArtist);
    EXPECT_EQ(QString::fromStdWString(f.tag()->comment().toWString()),
              QStringLiteral("n\u00eaw comment"));
    EXPECT_EQ(f.tag()->track(), 3u);
    EXPECT_EQ(f.tag()->year(), 2022u);
    auto pics = f.ID3v2Tag()->frameListMap()["APIC"];
    ASSERT_EQ(pics.size(), 1u);
    auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pics.front());
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->picture().size(), 3004u);
    EXPECT_EQ(f.ID3v2Tag()->frameListMap()["USLT"].size(), 1u);
#endif
}

TEST_F(Interop, ApeBinaryItemsSurviveAndReadInMutagen) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    const char* writeApe = R"PY(
import sys
from mutagen.apev2 import APEv2, APEValue, BINARY
t = APEv2()
t["Title"] = u"Ape t\u00eftle"
t["Artist"] = u"Ape artist"
t["Cover Art (Front)"] = APEValue(b"cover.jpg\x00" + bytes(range(256)) * 4, BINARY)
t.save(sys.argv[1])
)PY";
    ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                           {QStringLiteral("-c"), QString::fromLatin1(writeApe), mp3}),
              0);
    TApeTagFile t;
    ASSERT_TRUE(t.Open(mp3));
    ASSERT_TRUE(t.Present);
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("title")), QStringLiteral("Ape t\u00eftle"));
    t.Fields.prepend(QStringLiteral("TITLE=Changed \u00e9")); // the first of a name wins
    ASSERT_TRUE(t.Write());
    const char* dumpApe = R"PY(
import sys, json
from mutagen.apev2 import APEv2
t = APEv2(sys.argv[1])
print(json.dumps({"title": str(t["Title"]), "artist": str(t["Artist"]),
                  "cover": len(t["Cover Art (Front)"].value), "kind": t["Cover Art (Front)"].kind}))
)PY";
    QJsonObject o = Mutagen(QString::fromLatin1(dumpApe));
    EXPECT_EQ(o[QStringLiteral("title")].toString(), QStringLiteral("Changed \u00e9"));
    EXPECT_EQ(o[QStringLiteral("artist")].toString(), QStringLiteral("Ape artist"));
    EXPECT_EQ(o[QStringLiteral("cover")].toInt(), 10 + 1024);
    EXPECT_EQ(o[QStringLiteral("kind")].toInt(), 1);
}

} // namespace

namespace {

// Through the MPEG reader, when it is part of the build.
TEST_F(Interop, WriteFileTagsOnMp3KeepsPicturesAndLaysOutTags) {
    try {
        if (!CreateReader(fcMpeg, mp3)) GTEST_SKIP() << "no MPEG reader";
    } catch (...) {
        GTEST_SKIP() << "no MPEG reader";
    }
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                           {QStringLiteral("-c"), QString::fromLatin1(kMutagenWrite), mp3,
                            QStringLiteral("4")}),
              0);
    ASSERT_TRUE(WriteFileTags(mp3, QStringLiteral("New artist"), -1, QStringLiteral("cmt"),
                              QStringLiteral("5"), QStringLiteral("Rock"), QStringLiteral("2020"),
                              QStringLiteral("Alb"), QStringLiteral("Title \u00e9")));
    QStringList unified;
    ASSERT_TRUE(ReadFileTags(mp3, unified));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("artist")), QStringLiteral("New artist"));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("title")), QStringLiteral("Title \u00e9"));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("comments")), QStringLiteral("cmt"));
    TFileTagInfo info = ReadPreferredTags(mp3);
    EXPECT_EQ(info.TagKinds, tkId3v1 | tkId3v2 | tkApeV2);
    TApeTagFile ape;
    ASSERT_TRUE(ape.Open(mp3));
    EXPECT_EQ(ape.TagStart + ape.TotalLength, QFileInfo(mp3).size() - 128);
    QJsonObject o = Mutagen(QString::fromLatin1(kMutagenDump));
    EXPECT_EQ(o[QStringLiteral("APIC")].toArray().size(), 1);
    EXPECT_EQ(o[QStringLiteral("USLT")].toArray().size(), 1);
    EXPECT_EQ(o[QStringLiteral("TIT2")].toString(), QStringLiteral("Title \u00e9"));

    // ID3v2 only: the APEv2 tag stays, and it is still the one shown.
    ASSERT_TRUE(WriteFileTags(mp3, QStringLiteral("New artist"), tkId3v2, QStringLiteral("cmt"),
                              QStringLiteral("5"), QStringLiteral("Rock"), QStringLiteral("2020"),
                              QStringLiteral("Alb"), QStringLiteral("Only v2")));
    ASSERT_TRUE(ReadFileTags(mp3, unified));
    EXPECT_EQ(FieldValue(unified, QStringLiteral("title")), QStringLiteral("Title \u00e9"));
    EXPECT_EQ(Mutagen(QString::fromLatin1(kMutagenDump))[QStringLiteral("TIT2")].toString(),
              QStringLiteral("Only v2"));
}

} // namespace

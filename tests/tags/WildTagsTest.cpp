// Tags as other programs leave them: WAVE files that sox, mutagen and TagLib
// read after we wrote them, APEv2 items with several values, an APEv2 tag of
// volume data before a Lyrics3 block, and the tags of MP2, AC-3 and WMA files.
#include "TagTestUtil.h"
#include "support/AudioFixtures.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "tags/FieldList.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"

#include <gtest/gtest.h>

#ifdef SONVALE_HAVE_TAGLIB
#include <taglib/wavfile.h>
#endif

using namespace tagtest;

namespace {

class WildTags : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // Runs a mutagen script with the file as sys.argv[1]; its output.
    QString Mutagen(const char* script, const QString& file) {
        QString out;
        EXPECT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                               {QStringLiteral("-c"), QString::fromLatin1(script), file}, &out),
                  0);
        return out.trimmed();
    }
    static QString Unified(const QString& file, const char* name) {
        QStringList unified;
        return ReadFileTags(file, unified) ? FieldValue(unified, QString::fromLatin1(name))
                                           : QStringLiteral("<no reader>");
    }
    static bool RemoveAll(const QString& file) {
        TAudioFile af;
        af.SetFileName(file);
        return af.Open() && af.Reader->RemoveTags(tkAllRemoved);
    }
};

TEST_F(WildTags, WaveTagsStayInsideTheRiff) {
    if (!HaveMutagen() || !HaveTool(QStringLiteral("sox")))
        GTEST_SKIP() << "mutagen or sox missing";
    const QString wav = dir.filePath(QStringLiteral("a.wav"));
    ASSERT_EQ(tagtest::Run(QStringLiteral("sox"),
                           {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("8000"), wav,
                            QStringLiteral("synth"), QStringLiteral("0.5"), QStringLiteral("sine"),
                            QStringLiteral("440")}),
              0);
    const QByteArray plain = ReadBytes(wav);
    // Once with nothing, once behind a leading tag that an older writer put there.
    for (const QByteArray& start :
         {plain, Tag(3, Frame("TPE1", Latin1Text("Lead")) +
                            Frame("APIC",
                                  QByteArray(1, 0) + "image/png" + '\0' + char(3) + '\0' + "PNG")) +
                     plain}) {
        WriteBytes(wav, start);
        ASSERT_TRUE(WriteFileTags(wav, Unified(wav, "artist"), -1, {}, QStringLiteral("3"), {}, {},
                                  QStringLiteral("Alb\u00fcm"), QStringLiteral("T\u00eftle")));
        const QByteArray after = ReadBytes(wav);
        EXPECT_TRUE(after.startsWith("RIFF"));
        EXPECT_EQ(after.size() % 2, 0);
        EXPECT_EQ(Mutagen("import sys, mutagen.wave as w\nt = w.WAVE(sys.argv[1]).tags\n"
                          "print(t['TIT2'].text[0], t['TALB'].text[0], t['TRCK'].text[0], "
                          "len(t.getall('APIC')))",
                          wav),
                  QStringLiteral("T\u00eftle Alb\u00fcm 3 ") + (start == plain ? "0" : "1"));
        QString soxLength;
        ASSERT_EQ(tagtest::Run(QStringLiteral("sox"),
                               {QStringLiteral("--i"), QStringLiteral("-s"), wav}, &soxLength),
                  0);
        EXPECT_EQ(soxLength.trimmed(), QStringLiteral("4000"));
#ifdef SONVALE_HAVE_TAGLIB
        TagLib::RIFF::WAV::File t(QFile::encodeName(wav).constData());
        ASSERT_TRUE(t.isValid() && t.hasID3v2Tag());
        EXPECT_EQ(QString::fromStdWString(t.ID3v2Tag()->title().toWString()),
                  QStringLiteral("T\u00eftle"));
#endif
        ASSERT_TRUE(RemoveAll(wav));
        EXPECT_EQ(ReadBytes(wav), plain);
    }
    // A chunk that mutagen wrote reads here.
    Mutagen("import sys, mutagen.wave as w\nf = w.WAVE(sys.argv[1])\nf.add_tags()\n"
            "from mutagen.id3 import TIT2\nf.tags.add(TIT2(encoding=3, text=['From "
            "mutagen']))\nf.save()",
            wav);
    EXPECT_EQ(Unified(wav, "title"), QStringLiteral("From mutagen"));
}

TEST_F(WildTags, ApeValuesAndVolumeTagsBeforeLyrics) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    const QString mp3 = dir.filePath(QStringLiteral("a.mp3"));
    WriteBytes(mp3, fixtures::SilentMp3Frames(40));
    // A full ID3v2 tag, an APEv2 tag of volume data, then a Lyrics3 block and ID3v1
    // placed behind it, as some taggers leave them.
    Mutagen("import sys\nfrom mutagen.id3 import ID3, TIT2, TPE1, TALB\nt = ID3()\n"
            "t.add(TIT2(encoding=3, text=['Old']))\nt.add(TPE1(encoding=3, text=['Band']))\n"
            "t.add(TALB(encoding=3, text=['Alb']))\nt.save(sys.argv[1])\n"
            "from mutagen.apev2 import APEv2\na = APEv2()\na['MP3GAIN_MINMAX'] = '120,210'\n"
            "a['REPLAYGAIN_TRACK_GAIN'] = '-3.2 dB'\na['ISRC'] = ['X1', 'Y2']\na.save(sys.argv[1])",
            mp3);
    const QByteArray lyrics = "LYRICSBEGININD0000210EAL00003Alb";
    WriteBytes(mp3, ReadBytes(mp3) + lyrics +
                        QByteArray::number(lyrics.size()).rightJustified(6, '0') + "LYRICS200" +
                        Id3v1Block("Old", "Band", 0, 17));
    const QByteArray before = ReadBytes(mp3);
    const TFileTagInfo info = ReadPreferredTags(mp3);
    EXPECT_EQ(info.TagKinds, tkId3v1 | tkId3v2 | tkApeV2);
    EXPECT_EQ(info.TrailingTagsStart, before.indexOf("APETAGEX"));
    EXPECT_EQ(Unified(mp3, "artist"), QStringLiteral("Band"));

    ASSERT_TRUE(WriteFileTags(mp3, QStringLiteral("Band"), -1, {}, {}, {}, {},
                              QStringLiteral("Alb"), QStringLiteral("New")));
    const QByteArray after = ReadBytes(mp3);
    EXPECT_NE(after.indexOf(lyrics), -1);
    EXPECT_TRUE(after.endsWith("LYRICS200" + after.right(128)));
    EXPECT_EQ(Unified(mp3, "album"), QStringLiteral("Alb"));
    EXPECT_EQ(
        Mutagen("import sys\nfrom mutagen.apev2 import APEv2\nfrom mutagen.id3 import ID3\n"
                "a = APEv2(sys.argv[1])\nt = ID3(sys.argv[1])\n"
                "print(list(a['ISRC']), a['Title'], a['MP3GAIN_MINMAX'], t['TPE1'], t['TIT2'])",
                mp3),
        QStringLiteral("['X1', 'Y2'] New 120,210 Band New"));
}

TEST_F(WildTags, Mp2Ac3AndWmaShowTheirTags) {
    struct TCase {
        const char* name;
        bool (*encode)(const QString&, const fixtures::EncodeOptions&, QString*);
        bool writable;
    } cases[] = {{"a.mp2", fixtures::EncodeMp2, true},
                 {"a.ac3", fixtures::EncodeAc3, true},
                 {"a.wma", fixtures::EncodeWma, false}};
    fixtures::EncodeOptions o;
    o.seconds = 0.3;
    o.metadata = {{QStringLiteral("title"), QStringLiteral("Wild")},
                  {QStringLiteral("artist"), QStringLiteral("Band")}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(c.encode(file, o, nullptr));
        if (c.writable) {
            // id3v2 -t/-a puts an ID3v2 tag in front, as the taggers of such files do.
            if (!HaveTool(QStringLiteral("id3v2"))) GTEST_SKIP() << "id3v2 not installed";
            ASSERT_EQ(
                tagtest::Run(QStringLiteral("id3v2"),
                             {QStringLiteral("-2"), QStringLiteral("-t"), QStringLiteral("Wild"),
                              QStringLiteral("-a"), QStringLiteral("Band"), file}),
                0);
        }
        EXPECT_EQ(Unified(file, "title"), QStringLiteral("Wild"));
        EXPECT_EQ(Unified(file, "artist"), QStringLiteral("Band"));
        const QByteArray before = ReadBytes(file);
        EXPECT_EQ(WriteFileTags(file, QStringLiteral("Band"), -1, {}, {}, {}, {}, {},
                                QStringLiteral("New")),
                  c.writable);
        EXPECT_EQ(Unified(file, "title"), QString::fromLatin1(c.writable ? "New" : "Wild"));
        if (!c.writable) {
            EXPECT_EQ(ReadBytes(file), before);
        }
    }
}

} // namespace

// The single-file editor's work on real encoded files, read back with mutagen.
#include "tools/SingleFileEditor.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

bool HaveMutagen() {
    static const bool have =
        RunProgram(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"), QStringLiteral("import mutagen")}) == 0;
    return have;
}

// Runs a mutagen script with the file as sys.argv[1] and returns what it printed as JSON.
QJsonObject Mutagen(const char* script, const QString& path) {
    QByteArray out, err;
    const int rc = RunProgram(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral("-c"), QString::fromUtf8(script), path}, &out, &err);
    EXPECT_EQ(rc, 0) << err.toStdString();
    return QJsonDocument::fromJson(out).object();
}

class SingleFileEditor : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(dir.isValid());
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString Mp3(const char* name = "a.mp3") {
        const QString p = Path(name);
        QString error;
        EncodeOptions o;
        o.seconds = 0.5;
        EXPECT_TRUE(EncodeMp3(p, o, &error)) << error.toStdString();
        return p;
    }
    QString Ogg(const char* name = "a.ogg") {
        const QString p = Path(name);
        QString error;
        EncodeOptions o;
        o.seconds = 0.5;
        EXPECT_TRUE(EncodeOgg(p, o, &error)) << error.toStdString();
        return p;
    }
    QString Wave(const char* name, int rate, int channels, int64_t frames) {
        const QString p = Path(name);
        std::vector<int16_t> pcm(size_t(frames * channels), 0);
        EXPECT_TRUE(WriteFile(p, MakeWave(rate, channels, 16, pcm)));
        return p;
    }
    static TSingleFileFields Sample() {
        TSingleFileFields f;
        f.Artist = QStringLiteral("\u00c4rtist");
        f.Title = QStringLiteral("T\u00eftle");
        f.Album = QStringLiteral("Album");
        f.Year = QStringLiteral("1999");
        f.Genre = QStringLiteral("Jazz");
        f.Track = QStringLiteral("7");
        f.Comments = QStringLiteral("one\r\ntwo");
        return f;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SingleFileEditor, PropertyLabelsAreFormattedAsShown) {
    // 44 header bytes + 874,989 stereo frames = 3,500,000 bytes, 19.84 s.
    const QString big = Wave("big.wav", 44100, 2, 874989);
    ASSERT_EQ(QFileInfo(big).size(), 3500000);
    TSingleFileInfo info = LoadSingleFile(big);
    EXPECT_TRUE(info.HasReader);
    EXPECT_EQ(info.SizeText, "Size : 3.34 Mb.");
    EXPECT_EQ(info.BitRateText, "BitRate : 1411 Kbps");
    EXPECT_EQ(info.SampleRateText, "Sample Rate : 44 KHz");
    EXPECT_EQ(info.DurationText, "Duration : 0min 20sec");
    EXPECT_EQ(info.TagKinds, 0);
    EXPECT_TRUE(info.Fields.Artist.isEmpty());

    // 170 s and 169.6 s both show 2min 50sec; 22050 Hz shows 22 KHz.
    info = LoadSingleFile(Wave("long.wav", 8000, 1, 170 * 8000));
    EXPECT_EQ(info.DurationText, "Duration : 2min 50sec");
    EXPECT_EQ(info.BitRateText, "BitRate : 128 Kbps");
    EXPECT_EQ(info.SampleRateText, "Sample Rate : 8 KHz");
    info = LoadSingleFile(Wave("near.wav", 22050, 1, 22050 * 1696 / 10));
    EXPECT_EQ(info.DurationText, "Duration : 2min 50sec");
    EXPECT_EQ(info.SampleRateText, "Sample Rate : 22 KHz");

    EXPECT_EQ(FormatMinSec(0), "0min 0sec");
    EXPECT_EQ(FormatMinSec(3661), "61min 1sec");
}

TEST_F(SingleFileEditor, UpdateOnMp3WritesId3v1Id3v2AndApe) {
    const QString mp3 = Mp3();
    const TSingleFileInfo before = LoadSingleFile(mp3);
    EXPECT_EQ(before.SampleRateText, "Sample Rate : 44 KHz");
    EXPECT_EQ(before.BitRateText, "BitRate : 128 Kbps");
    EXPECT_EQ(before.TagKinds, 0);

    ASSERT_EQ(WriteSingleFile(mp3, Sample(), -1), TSingleWriteResult::Written);
    const TSingleFileInfo after = LoadSingleFile(mp3);
    EXPECT_EQ(after.TagKinds, 1 | 2 | 4);
    EXPECT_EQ(after.Fields.Artist, Sample().Artist);
    EXPECT_EQ(after.Fields.Title, Sample().Title);
    EXPECT_EQ(after.Fields.Year, "1999");
    EXPECT_EQ(after.Fields.Genre, "Jazz");
    EXPECT_EQ(after.Fields.Track, "7");
    EXPECT_EQ(after.Fields.Comments, "one\r\ntwo");

    const QByteArray bytes = ReadFile(mp3);
    ASSERT_GT(bytes.size(), 128);
    EXPECT_TRUE(bytes.right(128).startsWith("TAG"));
    EXPECT_EQ(bytes.right(128).mid(3, 5), QByteArray("T\xeftle"));

    if (!HaveMutagen()) GTEST_SKIP() << "mutagen missing: not read back";
    const QJsonObject m = Mutagen(R"PY(
import sys, json
from mutagen.id3 import ID3
from mutagen.apev2 import APEv2
t = ID3(sys.argv[1], load_v1=False)
a = APEv2(sys.argv[1])
print(json.dumps({"version": t.version[1], "TPE1": str(t["TPE1"]), "TIT2": str(t["TIT2"]),
                  "TRCK": str(t["TRCK"]), "TCON": str(t["TCON"]),
                  "ape": {k: str(v) for k, v in a.items()}}))
)PY",
                                  mp3);
    EXPECT_EQ(m["version"].toInt(), 3);
    EXPECT_EQ(m["TPE1"].toString(), Sample().Artist);
    EXPECT_EQ(m["TIT2"].toString(), Sample().Title);
    EXPECT_EQ(m["TRCK"].toString(), "7");
    EXPECT_EQ(m["TCON"].toString(), "Jazz");
    const QJsonObject ape = m["ape"].toObject();
    EXPECT_EQ(ape["Artist"].toString(), Sample().Artist);
    EXPECT_EQ(ape["Year"].toString(), "1999");
}

TEST_F(SingleFileEditor, UpdateOnOggWritesOnlyVorbisComments) {
    const QString ogg = Ogg();
    const qint64 size = QFileInfo(ogg).size();
    ASSERT_EQ(WriteSingleFile(ogg, Sample(), -1), TSingleWriteResult::Written);
    const TSingleFileInfo info = LoadSingleFile(ogg);
    EXPECT_EQ(info.TagKinds, 8);
    EXPECT_EQ(info.Fields.Artist, Sample().Artist);
    EXPECT_EQ(info.Fields.Year, "1999");
    const QByteArray bytes = ReadFile(ogg);
    EXPECT_TRUE(bytes.startsWith("OggS"));
    EXPECT_FALSE(bytes.right(128).startsWith("TAG"));
    EXPECT_FALSE(bytes.contains("APETAGEX"));
    EXPECT_LT(bytes.size(), size + 1000);

    if (!HaveMutagen()) GTEST_SKIP() << "mutagen missing: not read back";
    const QJsonObject m = Mutagen(R"PY(
import sys, json
from mutagen.oggvorbis import OggVorbis
f = OggVorbis(sys.argv[1])
print(json.dumps({"artist": f["artist"][0], "tracknumber": f["tracknumber"][0],
                  "length": f.info.length}))
)PY",
                                  ogg);
    EXPECT_EQ(m["artist"].toString(), Sample().Artist);
    EXPECT_EQ(m["tracknumber"].toString(), "7");
    EXPECT_NEAR(m["length"].toDouble(), 0.5, 0.05);
}

TEST_F(SingleFileEditor, UpdateKeepsCoverPictureAndOtherFrames) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen missing";
    const QString mp3 = Mp3();
    Mutagen(R"PY(
import sys, json
from mutagen.id3 import ID3, APIC, TIT2, USLT
t = ID3()
t.add(TIT2(encoding=3, text=["Old"]))
t.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=bytes(range(256)) * 8))
t.add(USLT(encoding=3, lang="eng", desc="", text="la la"))
t.save(sys.argv[1], v2_version=3)
print("{}")
)PY",
            mp3);
    EXPECT_EQ(LoadSingleFile(mp3).Fields.Title, "Old");
    ASSERT_EQ(WriteSingleFile(mp3, Sample(), -1), TSingleWriteResult::Written);
    const QJsonObject m = Mutagen(R"PY(
import sys, json
from mutagen.id3 import ID3
t = ID3(sys.argv[1], load_v1=False)
pics = t.getall("APIC")
print(json.dumps({"pics": len(pics), "same": len(pics) == 1 and pics[0].data == bytes(range(256)) * 8,
                  "lyrics": str(t.getall("USLT")[0]) if t.getall("USLT") else "",
                  "title": str(t["TIT2"])}))
)PY",
                                  mp3);
    EXPECT_EQ(m["pics"].toInt(), 1);
    EXPECT_TRUE(m["same"].toBool());
    EXPECT_EQ(m["lyrics"].toString(), "la la");
    EXPECT_EQ(m["title"].toString(), Sample().Title);
}

TEST_F(SingleFileEditor, RefusedFilesRaiseAndStayUntouched) {
    const QString bad = Path("bad.ogg");
    QByteArray junk(4000, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 73 + 5) % 251);
    ASSERT_TRUE(WriteFile(bad, junk));
    EXPECT_THROW(LoadSingleFile(bad), ESonvaleError);
    EXPECT_THROW(WriteSingleFile(bad, Sample(), -1), ESonvaleError);
    EXPECT_THROW(RemoveSingleFileTags(bad, -1), ESonvaleError);
    EXPECT_EQ(ReadFile(bad), junk);
    // A file that is gone is refused the same way.
    EXPECT_THROW(LoadSingleFile(Path("missing.mp3")), ESonvaleError);
}

TEST(PlayFile, SaysWhyNothingPlays) {
    QStringList started, opened;
    const TProgramStarter refuse = [&](const QString& program, const QStringList& args) {
        started = QStringList{program} + args;
        return QStringLiteral("no such program");
    };
    const TProgramStarter accept = [&](const QString& program, const QStringList& args) {
        started = QStringList{program} + args;
        return QString();
    };
    const TFileOpener opens = [&](const QString& path) {
        opened << path;
        return true;
    };
    const TFileOpener cannot = [](const QString&) { return false; };
    const QString song = QStringLiteral("/music/a b.mp3");

    // No player set: the desktop's default application opens the file.
    EXPECT_EQ(PlayFileMessage(QStringLiteral("  "), song, accept, opens), QString());
    EXPECT_EQ(opened, QStringList{song});
    EXPECT_TRUE(PlayFileMessage({}, song, accept, cannot).startsWith("No player is set"));
    EXPECT_TRUE(PlayFileMessage({}, {}, accept, opens).startsWith("There is no file to play"));
    EXPECT_TRUE(started.isEmpty());
    // A command line without "%1" asks for nothing.
    EXPECT_EQ(PlayFileMessage(QStringLiteral("vlc"), song, refuse, opens), QString());
    EXPECT_TRUE(started.isEmpty());
    // A player that does not start: its command line and the reason.
    EXPECT_EQ(PlayFileMessage(QStringLiteral("nothere \"%1\""), song, refuse, opens),
              "The player could not be started.\n\nCommand line: nothere \"%1\"\n"
              "Reason: no such program");
    EXPECT_EQ(started, QStringList({"nothere", song}));
    EXPECT_EQ(PlayFileMessage(QStringLiteral("vlc %1"), song, accept, cannot), QString());
    // The real start names a missing program.
    EXPECT_TRUE(PlayFileMessage(QStringLiteral("/nonexistent/player %1"), song, {}, cannot)
                    .contains("\"/nonexistent/player\" was not found"));
}

#include "OggSupport.h"
#include "audio/OggFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace oggtest;

namespace {

QString Cli() {
    return QStringLiteral(SONVALE_CLI_PATH);
}

// Files made by ffmpeg, whose pages are larger than libogg's and whose
// bitrate fields may be unset.
class OggFfmpegTest : public ::testing::TestWithParam<const char*> {
protected:
    QString Make(const QString& name, const QStringList& codec) {
        QString path = dir.filePath(name);
        QStringList args{QStringLiteral("-loglevel"),
                         QStringLiteral("error"),
                         QStringLiteral("-y"),
                         QStringLiteral("-f"),
                         QStringLiteral("lavfi"),
                         QStringLiteral("-i"),
                         QStringLiteral("sine=f=330:d=4"),
                         QStringLiteral("-ac"),
                         QStringLiteral("2")};
        args << codec << QStringLiteral("-metadata") << QStringLiteral("title=FF Title")
             << QStringLiteral("-metadata") << QStringLiteral("artist=FF Artist") << path;
        if (RunProgram(QStringLiteral("ffmpeg"), args) != 0) return {};
        return path;
    }
    QTemporaryDir dir;
};

TEST_P(OggFfmpegTest, InfoAgreesWithMutagenAndRewriteKeepsTheAudio) {
    const QString py = MutagenPython();
    if (!HaveProgram(QStringLiteral("ffmpeg")) || py.isEmpty() ||
        !HaveProgram(QStringLiteral("ogginfo")) || !HaveProgram(QStringLiteral("oggdec")))
        GTEST_SKIP() << "ffmpeg, mutagen or vorbis-tools missing";
    QStringList codec = QString::fromLatin1(GetParam()).split(QLatin1Char(' '));
    QString path = Make(QStringLiteral("ff.ogg"), codec);
    if (path.isEmpty()) GTEST_SKIP() << "this ffmpeg cannot encode with " << GetParam();

    auto mutagen = [&](const QString& p) {
        QByteArray out;
        RunProgram(py,
                   {QStringLiteral("-c"),
                    QStringLiteral("import json,sys\nfrom mutagen.oggvorbis import OggVorbis\n"
                                   "f=OggVorbis(sys.argv[1])\nprint(json.dumps({'ch':f.info."
                                   "channels,'rate':f.info.sample_rate,'bitrate':f.info.bitrate,"
                                   "'length':f.info.length,'tags':list(f.tags)}))"),
                    p},
                   &out);
        return QJsonDocument::fromJson(out).object();
    };
    auto info = [&](const QString& p) {
        QByteArray out;
        EXPECT_EQ(RunProgram(Cli(), {QStringLiteral("info"), QStringLiteral("--json"), p}, &out),
                  0);
        return QJsonDocument::fromJson(out.trimmed()).object();
    };

    QJsonObject m = mutagen(path), ours = info(path);
    EXPECT_EQ(ours[QStringLiteral("format")].toInt(), 5);
    EXPECT_EQ(ours[QStringLiteral("channels")].toInt(), m[QStringLiteral("ch")].toInt());
    EXPECT_EQ(ours[QStringLiteral("samplerate")].toInt(), m[QStringLiteral("rate")].toInt());
    EXPECT_EQ(ours[QStringLiteral("bitrate")].toInt(), m[QStringLiteral("bitrate")].toInt());
    EXPECT_NEAR(ours[QStringLiteral("duration_ms")].toDouble(),
                m[QStringLiteral("length")].toDouble() * 1000.0, 1.0);
    QStringList mutagenTags;
    for (const QJsonValue& kv : m[QStringLiteral("tags")].toArray())
        mutagenTags << kv.toArray().at(0).toString() + QLatin1Char('=') +
                           kv.toArray().at(1).toString();
    QStringList ourTags;
    for (const QJsonValue& t : ours[QStringLiteral("tags")].toArray())
        ourTags << t.toString();
    EXPECT_EQ(ourTags, mutagenTags);

    // Rewrite with the unified names; the audio stays as it was.
    QString old = dir.filePath(QStringLiteral("old.ogg"));
    QFile::copy(path, old);
    int64_t total;
    {
        TOggFile f(path);
        total = f.PcmTotal;
        f.Tags = {QStringLiteral("Comment=c"), QStringLiteral("Artist=New"),
                  QStringLiteral("Album=A"),   QStringLiteral("Title=T"),
                  QStringLiteral("Date=1999"), QStringLiteral("TrackNumber=1"),
                  QStringLiteral("Genre=")};
        ASSERT_TRUE(f.WriteTags(tkVorbis));
    }
    QByteArray report;
    EXPECT_EQ(RunProgram(QStringLiteral("ogginfo"), {path}, &report), 0);
    EXPECT_FALSE(report.contains("WARNING")) << report.constData();
    EXPECT_TRUE(OggDecRaw(path) == OggDecRaw(old));
    TOggFile f(path);
    EXPECT_EQ(f.PcmTotal, total);
    // The last page's granule position is the stream's length.
    std::vector<TPage> before = ParsePages(ReadAll(old)), after = ParsePages(ReadAll(path));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back().Granule, before.back().Granule);
    EXPECT_TRUE(after.back().Flags & 4);
    QJsonObject m2 = mutagen(path);
    EXPECT_DOUBLE_EQ(m2[QStringLiteral("length")].toDouble(),
                     m[QStringLiteral("length")].toDouble());
    QStringList written;
    for (const QJsonValue& kv : m2[QStringLiteral("tags")].toArray())
        written << kv.toArray().at(0).toString() + QLatin1Char('=') + kv.toArray().at(1).toString();
    // ffmpeg's "encoder" comment is not one of the seven: it stays.
    EXPECT_EQ(written, f.Tags);
    EXPECT_EQ(written.mid(0, 7), QStringList({"Comment=c", "Artist=New", "Album=A", "Title=T",
                                              "Date=1999", "TrackNumber=1", "Genre="}));
    ASSERT_EQ(written.size(), 8);
    EXPECT_TRUE(written[7].startsWith(QLatin1String("encoder=Lavc")));
}

INSTANTIATE_TEST_SUITE_P(Encoders, OggFfmpegTest,
                         ::testing::Values("-c:a libvorbis -q:a 3", "-c:a vorbis -strict -2"));

TEST(OggCli, DecodeGivesTheSamePcmAsOggdec) {
    if (!HaveProgram(QStringLiteral("oggdec"))) GTEST_SKIP() << "oggdec missing";
    QTemporaryDir dir;
    TEncodeSpec spec;
    spec.Channels = 1;
    spec.Rate = 22050;
    spec.Seconds = 1.3;
    QString path = dir.filePath(QStringLiteral("mono.ogg"));
    WriteAll(path, EncodeVorbis(spec));
    QString raw = dir.filePath(QStringLiteral("out.raw"));
    ASSERT_EQ(RunProgram(Cli(), {QStringLiteral("decode"), path, raw}), 0);
    QByteArray ours = ReadAll(raw);
    EXPECT_EQ(ours.size(), std::lround(1.3 * 22050) * 2);
    EXPECT_TRUE(ours == OggDecRaw(path));
}

TEST(OggCli, InfoReportsTheReadersMessageForDamagedFiles) {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bad.ogg"));
    WriteAll(path, QByteArray("OggS but nothing else"));
    QByteArray out, err;
    EXPECT_EQ(
        RunProgram(Cli(), {QStringLiteral("info"), QStringLiteral("--json"), path}, &out, &err), 1);
    QJsonObject o = QJsonDocument::fromJson(out.trimmed()).object();
    EXPECT_EQ(o[QStringLiteral("error")].toString(),
              QStringLiteral("\"%1\" is not a Ogg bitstream").arg(path));
}

} // namespace

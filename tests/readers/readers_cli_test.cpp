// sonvale-cli info --json and decode on WMA/ASF, AC-3, Musepack and Monkey's
// Audio files made with encoder settings the reader tests do not use, compared
// with ffprobe's properties and FFmpeg's decoding.
#include "support/AudioFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kCli = QStringLiteral(SONVALE_CLI_PATH);

QJsonObject Info(const QString& path) {
    QByteArray out;
    EXPECT_EQ(fixtures::RunProgram(kCli, {"info", "--json", path}, &out), 0) << out.toStdString();
    return QJsonDocument::fromJson(out.trimmed()).object();
}

struct TProbe {
    int rate = 0, channels = 0;
    double duration = 0;
    qint64 bitrate = 0; // 0 when ffprobe does not know it
};

TProbe Probe(const QString& path) {
    QByteArray out;
    TProbe p;
    if (fixtures::RunProgram("ffprobe",
                             {"-v", "error", "-select_streams", "a:0", "-show_entries",
                              "stream=sample_rate,channels,duration,bit_rate", "-of",
                              "default=nw=1", path},
                             &out) != 0)
        return p;
    for (const QByteArray& line : out.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        if (key == "sample_rate") p.rate = value.toInt();
        if (key == "channels") p.channels = value.toInt();
        if (key == "duration") p.duration = value.toDouble();
        if (key == "bit_rate") p.bitrate = value.toLongLong();
    }
    return p;
}

// FFmpeg's own decoding as little-endian bytes of the given sample format.
QByteArray FfmpegPcm(const QString& path, const QString& format, const QString& out) {
    if (fixtures::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", path, "-f", format, out}) != 0)
        return {};
    return fixtures::ReadFile(out);
}

int MaxDiff16(const QByteArray& a, const QByteArray& b) {
    const auto* x = reinterpret_cast<const int16_t*>(a.constData());
    const auto* y = reinterpret_cast<const int16_t*>(b.constData());
    int m = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()) / 2; ++i)
        m = std::max(m, std::abs(x[i] - y[i]));
    return m;
}

class ReadersCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::HaveProgram("ffmpeg") || !fixtures::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    }
    QString Path(const QString& name) { return dir.filePath(name); }
    // Runs ffmpeg with a generated sine as input; empty on failure.
    QString Make(const QString& name, double seconds, int rate, const QStringList& encode) {
        QStringList args = {
            "-v",
            "error",
            "-y",
            "-f",
            "lavfi",
            "-i",
            QStringLiteral("sine=frequency=440:duration=%1:sample_rate=%2").arg(seconds).arg(rate)};
        args += encode;
        args += Path(name);
        return fixtures::RunProgram("ffmpeg", args) == 0 ? Path(name) : QString();
    }
    QByteArray Decode(const QString& path) {
        const QString out = Path("ours.raw");
        QFile::remove(out);
        EXPECT_EQ(fixtures::RunProgram(kCli, {"decode", path, out}), 0);
        return fixtures::ReadFile(out);
    }
    QTemporaryDir dir;
};

TEST_F(ReadersCli, Ac3MonoAt32kHzAndSurroundLayoutsAgreeWithFfmpeg) {
    struct Case {
        const char* name;
        int rate;
        QStringList encode;
        int channels, bitrate;
    };
    const Case cases[] = {
        {"mono32.ac3", 32000, {"-ac", "1", "-c:a", "ac3", "-b:a", "64k"}, 1, 64000},
        {"s51.ac3",
         48000,
         {"-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "ac3", "-b:a", "384k"},
         6,
         384000},
        // Three channels with a surround one (2/1): the mixing-level fields shift the LFE bit.
        {"s21.ac3",
         44100,
         {"-af", "pan=3.0(back)|c0=c0|c1=c0|c2=c0", "-c:a", "ac3", "-b:a", "160k"},
         3,
         160000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = Make(c.name, 1.3, c.rate, c.encode);
        ASSERT_FALSE(p.isEmpty());
        const QJsonObject o = Info(p);
        const TProbe probe = Probe(p);
        EXPECT_EQ(o["format"].toInt(), 7);
        EXPECT_EQ(o["samplerate"].toInt(), probe.rate);
        EXPECT_EQ(o["channels"].toInt(), c.channels);
        EXPECT_EQ(probe.channels, c.channels);
        EXPECT_EQ(o["bitrate"].toInteger(), probe.bitrate);
        EXPECT_EQ(o["bitrate"].toInt(), c.bitrate);
        EXPECT_NEAR(o["duration_ms"].toDouble() / 1000, probe.duration, 1536.0 / c.rate);
        const QByteArray ours = Decode(p);
        const QByteArray ref = FfmpegPcm(p, "s16le", Path("ref.raw"));
        EXPECT_EQ(ours.size(), ref.size());
        EXPECT_EQ(ours.size(), o["pcmsize"].toInteger());
        EXPECT_LE(MaxDiff16(ours, ref), 1);
    }
}

TEST_F(ReadersCli, WmaVersion1AsAsfAndLowRateWmaAgreeWithFfmpeg) {
    struct Case {
        const char* name;
        int rate;
        QStringList encode;
        int channels;
    };
    const Case cases[] = {
        {"v1.asf", 22050, {"-ac", "2", "-c:a", "wmav1", "-b:a", "48k"}, 2},
        {"low.wma", 8000, {"-ac", "1", "-c:a", "wmav2", "-b:a", "24k"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = Make(c.name, 2.3, c.rate, c.encode);
        ASSERT_FALSE(p.isEmpty());
        const QJsonObject o = Info(p);
        const TProbe probe = Probe(p);
        EXPECT_EQ(o["format"].toInt(), 4);
        EXPECT_EQ(o["samplerate"].toInt(), c.rate);
        EXPECT_EQ(probe.rate, c.rate);
        EXPECT_EQ(o["channels"].toInt(), c.channels);
        EXPECT_EQ(o["bits"].toInt(), 16);
        EXPECT_EQ(o["bitrate"].toInteger(), probe.bitrate);
        EXPECT_NEAR(o["duration_ms"].toDouble() / 1000, probe.duration, 0.001);
        const QByteArray ours = Decode(p);
        EXPECT_EQ(ours, FfmpegPcm(p, "s16le", Path("ref.raw")));
        // The announced size comes from the header's duration: within one
        // decoded frame (2048 samples at most) of the decoded length.
        EXPECT_NEAR(double(ours.size()), o["pcmsize"].toDouble(), 2048.0 * 2 * c.channels);
    }
}

TEST_F(ReadersCli, Wma24BitAndLosslessDecodeAsFfmpeg) {
    const QString corpus = fixtures::CorpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
    struct Case {
        const char* name;
        int bits;
        const char* format;
    };
    for (const Case c : {Case{"silence-2.wma", 24, "s24le"}, Case{"silence-3.wma", 16, "s16le"}}) {
        SCOPED_TRACE(c.name);
        const QString p = corpus + "/mutagen/" + c.name;
        const QJsonObject o = Info(p);
        EXPECT_EQ(o["bits"].toInt(), c.bits);
        const QByteArray ours = Decode(p);
        EXPECT_FALSE(ours.isEmpty());
        EXPECT_EQ(ours, FfmpegPcm(p, c.format, Path("ref.raw")));
    }
}

TEST_F(ReadersCli, MusepackLowQualityMonoAt37800Hz) {
    if (!fixtures::HaveProgram("mpcenc")) GTEST_SKIP() << "mpcenc not installed";
    const QString wav = Make("src.wav", 2.2, 37800, {"-ac", "1"});
    ASSERT_FALSE(wav.isEmpty());
    const QString p = Path("q3.mpc");
    ASSERT_EQ(fixtures::RunProgram("mpcenc", {"--silent", "--quality", "3", wav, p}), 0);
    const QJsonObject o = Info(p);
    const TProbe probe = Probe(p);
    EXPECT_EQ(o["format"].toInt(), 8);
    EXPECT_EQ(o["samplerate"].toInt(), 37800);
    EXPECT_EQ(probe.rate, 37800);
    EXPECT_EQ(o["channels"].toInt(), 1);
    // The encoder keeps the source length; FFmpeg only estimates it for SV8.
    EXPECT_EQ(o["pcmsize"].toInteger(), qint64(std::llround(2.2 * 37800)) * 2);
    EXPECT_EQ(o["duration_ms"].toInt(), 2200);
    EXPECT_NEAR(o["bitrate"].toDouble(), QFileInfo(p).size() * 8 / 2.2, 200);
    const QByteArray ours = Decode(p);
    const QByteArray ref = FfmpegPcm(p, "s16le", Path("ref.raw"));
    // FFmpeg goes on to the end of the last frame; we stop at the announced length.
    EXPECT_EQ(ours.size(), o["pcmsize"].toInteger());
    ASSERT_GE(ref.size(), ours.size());
    EXPECT_LT(ref.size() - ours.size(), 1152 * 2);
    EXPECT_EQ(ours, ref.left(ours.size()));
}

TEST_F(ReadersCli, MonkeysAudioWithTagsAgreesWithFfprobe) {
    const QString corpus = fixtures::CorpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
    for (const char* name : {"mac-399-tagged.ape", "mac-399-id3v2.ape"}) {
        SCOPED_TRACE(name);
        const QString p = corpus + "/taglib/" + name;
        const QJsonObject o = Info(p);
        const TProbe probe = Probe(p);
        EXPECT_EQ(o["format"].toInt(), 6);
        EXPECT_EQ(o["samplerate"].toInt(), probe.rate);
        EXPECT_EQ(o["channels"].toInt(), probe.channels);
        EXPECT_NEAR(o["duration_ms"].toDouble() / 1000, probe.duration, 0.001);
        EXPECT_EQ(o["filesize"].toInteger(), QFileInfo(p).size());
        const QByteArray ours = Decode(p);
        EXPECT_EQ(ours.size(), o["pcmsize"].toInteger());
        EXPECT_EQ(ours, FfmpegPcm(p, "s16le", Path("ref.raw")));
    }
}

} // namespace

// The WMA PCM size told from the ASF packets, against what the decoder delivers.
#include "audio/AsfReader.h"
#include "audio/WmaAudioFile.h"
#include "audio/WmaCount.h"
#include "io/WFileStream.h"
#include "support/AudioFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

using fixtures::MaxDiff;

// The count straight from the packets, -1 when the reader has to decode.
int64_t CountedFrames(const QString& path) {
    TAsfHeader header;
    if (ReadAsfHeader(path, header) != 0) return -2;
    TWFileStream s(path, fmOpenRead | fmShareDenyNone);
    return CountWmaSampleFrames(s, header);
}

// What the ffmpeg program decodes, as 16-bit samples; it goes on past damaged frames.
std::vector<int16_t> FfmpegPcm(const QString& path) {
    QByteArray out;
    fixtures::RunProgram("ffmpeg", {"-v", "quiet", "-i", path, "-f", "s16le", "-"}, &out);
    std::vector<int16_t> pcm(size_t(out.size()) / 2);
    if (!pcm.empty()) std::memcpy(pcm.data(), out.constData(), pcm.size() * 2);
    return pcm;
}

// A WMA file made by the encoder fixture, its header and its bytes.
QByteArray EncodeWma(const QString& path, double seconds, TAsfHeader& h) {
    fixtures::EncodeOptions o;
    o.seconds = seconds;
    if (!fixtures::EncodeWma(path, o) || ReadAsfHeader(path, h) != 0) return {};
    return fixtures::ReadFile(path);
}

struct TCase {
    const char* codec;
    int rate, channels;
    const char* bitrate;
    double seconds;
    bool silence;
};

TEST(WmaCount, EqualsTheDecodedBytesForEveryRateLayoutAndLength) {
    if (!fixtures::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
    static const TCase cases[] = {
        {"wmav1", 8000, 1, "24k", 0.05, false},   {"wmav1", 11025, 2, "32k", 0.7, false},
        {"wmav1", 16000, 1, "24k", 3.0, false},   {"wmav1", 22050, 2, "64k", 0.3, true},
        {"wmav1", 32000, 2, "96k", 1.1, false},   {"wmav1", 44100, 2, "128k", 2.0, false},
        {"wmav1", 48000, 1, "64k", 0.01, false},  {"wmav2", 8000, 2, "24k", 1.3, false},
        {"wmav2", 11025, 1, "24k", 0.2, false},   {"wmav2", 16000, 2, "48k", 0.9, true},
        {"wmav2", 22050, 1, "32k", 5.0, false},   {"wmav2", 32000, 2, "96k", 0.4, false},
        {"wmav2", 44100, 2, "192k", 60.0, false}, {"wmav2", 48000, 2, "128k", 1.7, false},
        {"wmav2", 44100, 1, "64k", 0.25, true},
    };
    QTemporaryDir dir;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.codec << ' ' << c.rate << " Hz " << c.channels
                                        << " ch " << c.bitrate << ' ' << c.seconds << " s");
        const QString path = dir.filePath(QStringLiteral("c.wma"));
        const QString source =
            c.silence ? QStringLiteral("anullsrc=r=%1:d=%2").arg(c.rate).arg(c.seconds)
                      : QStringLiteral("sine=f=440:r=%1:d=%2").arg(c.rate).arg(c.seconds);
        ASSERT_EQ(fixtures::RunProgram("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", source,
                                                  "-ac", QString::number(c.channels), "-c:a",
                                                  c.codec, "-b:a", c.bitrate, path}),
                  0);
        const int64_t frames = CountedFrames(path);
        ASSERT_GE(frames, 0) << "not counted from the packets";
        TWMAAudioFile r(path);
        const int64_t bytes = int64_t(fixtures::ReadAllBytes(r).size());
        EXPECT_EQ(frames * c.channels * 2, bytes);
        EXPECT_EQ(r.GetPcmSize(), bytes);
        EXPECT_EQ(int64_t(FfmpegPcm(path).size() * 2), bytes);
    }
}

// Real encoders' files: the bit reservoir's superframes; other codecs and a file cut
// short are decoded instead, with the same result as Read.
TEST(WmaCount, CorpusFilesAreCountedOrDecoded) {
    const QString corpus = fixtures::CorpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no corpus";
    static const std::pair<const char*, bool> files[] = {
        {"mutagen/silence-1.wma", true},   {"taglib/silence-1.wma", true},
        {"taglib/real_example.wma", true}, {"mutagen/issue_29.wma", false},
        {"mutagen/silence-2.wma", false},  {"mutagen/silence-3.wma", false},
        {"taglib/lossless.wma", false},
    };
    for (const auto& [name, counted] : files) {
        SCOPED_TRACE(name);
        const QString path = corpus + QLatin1Char('/') + QLatin1String(name);
        if (!QFile::exists(path)) continue;
        EXPECT_EQ(CountedFrames(path) >= 0, counted);
        TWMAAudioFile r(path);
        EXPECT_EQ(r.GetPcmSize(), int64_t(fixtures::ReadAllBytes(r).size()));
    }
}

// Packets that do not fit together are never counted; the size then comes from
// decoding and still equals what Read delivers.
TEST(WmaCount, DamagedPacketsAreLeftToTheDecoder) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.wma"));
    TAsfHeader h;
    const QByteArray bytes = EncodeWma(good, 1.0, h);
    ASSERT_GE(CountedFrames(good), 0);
    const qsizetype first = qsizetype(h.HeaderSize) + 50, packet = h.MinPacket;
    ASSERT_GT(h.DataPackets, 3u);
    // The muxer's packets: several payloads, the first one's stream number at byte 13,
    // its offset in the media object at 15 and the object's size at 20.
    ASSERT_EQ(bytes.mid(first, 5), QByteArray::fromHex("820000095d"));
    const std::pair<const char*, std::function<void(QByteArray&)>> damages[] = {
        {"error correction", [&](QByteArray& b) { b[first + 2 * packet] = char(0x90); }},
        {"another stream", [&](QByteArray& b) { b[first + packet + 13] = char(0x82); }},
        {"fragment offset", [&](QByteArray& b) { b[first + packet + 15] ^= 0x10; }},
        {"packet count", [&](QByteArray& b) { b[qsizetype(h.HeaderSize) + 40] ^= 1; }},
        {"cut short", [&](QByteArray& b) { b.truncate(first + packet * 5 / 2); }},
        {"object size", [&](QByteArray& b) { b[first + packet + 20] ^= 0x01; }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        QByteArray b = bytes;
        damage(b);
        const QString path = dir.filePath(QStringLiteral("bad.wma"));
        ASSERT_TRUE(fixtures::WriteFile(path, b));
        EXPECT_EQ(CountedFrames(path), -1);
        TWMAAudioFile r(path);
        EXPECT_EQ(r.GetPcmSize(), int64_t(fixtures::ReadAllBytes(r).size()));
    }
}

// Frames the decoder cannot decode are skipped, not the end of the stream; Read still
// delivers the counted size, the lost superframes' samples as silence at the end.
TEST(WmaCount, DamagedFramesKeepTheRestAndTheSize) {
    if (!fixtures::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.wma"));
    TAsfHeader h;
    QByteArray b = EncodeWma(path, 1.3, h);
    ASSERT_FALSE(b.isEmpty());
    for (qsizetype k = 3; k < 6; ++k) // frame bits inside three packets, their heads intact
        b.replace(qsizetype(h.HeaderSize) + 50 + k * h.MinPacket + 60, 240,
                  QByteArray(240, '\xff'));
    ASSERT_TRUE(fixtures::WriteFile(path, b));
    const int64_t frames = CountedFrames(path);
    ASSERT_GE(frames, 0);
    const std::vector<int16_t> ref = FfmpegPcm(path);
    TWMAAudioFile r(path);
    const auto got = fixtures::ReadAllPcm16(r);
    ASSERT_EQ(int64_t(got.size()), frames * 2);
    EXPECT_EQ(r.GetPcmSize(), frames * 4);
    ASSERT_LT(ref.size(), got.size());
    EXPECT_GT(ref.size(), got.size() * 3 / 4); // decoding went on past the damage
    EXPECT_EQ(MaxDiff(std::vector<int16_t>(got.begin(), got.begin() + qsizetype(ref.size())), ref),
              0);
    EXPECT_TRUE(std::all_of(got.begin() + qsizetype(ref.size()), got.end(),
                            [](int16_t v) { return v == 0; }));
}

} // namespace

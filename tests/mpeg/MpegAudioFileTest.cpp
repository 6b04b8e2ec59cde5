#include "audio/MpegAudioFile.h"
#include "MpegTestUtil.h"
#include "audio/AudioFile.h"
#include "decoder/MpDec.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"
#include "tags/TagSelect.h"
#include "tags/TagTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mpegtest;

namespace {

void PutBE(QByteArray& a, int at, uint32_t v) {
    a[at] = char(v >> 24);
    a[at + 1] = char(v >> 16);
    a[at + 2] = char(v >> 8);
    a[at + 3] = char(v);
}

// A first frame carrying a Xing/Info header at the given offset.
QByteArray XingFrame(uint32_t word, int size, int offset, const char* id, uint32_t flags,
                     uint32_t frames, uint32_t bytes) {
    QByteArray f = Frame(word, size, 0);
    f.replace(offset, 4, id);
    PutBE(f, offset + 4, flags);
    int p = offset + 8;
    if (flags & 1) {
        PutBE(f, p, frames);
        p += 4;
    }
    if (flags & 2) PutBE(f, p, bytes);
    return f;
}

QByteArray Frames(int n, uint32_t word = kL3Word, int size = kL3Size) {
    QByteArray d;
    for (int i = 0; i < n; ++i)
        d += Frame(word, size);
    return d;
}

constexpr double kSecondsPerL3Frame = 1152.0 / 44100.0;
constexpr int kStereoL3Bytes = 1152 * 2 * 2;

class MpegFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Put(const QByteArray& data, const QString& name = "f.mp3") {
        QString p = dir.filePath(name);
        EXPECT_TRUE(Write(p, data));
        return p;
    }
    static QString ErrorOf(const QString& path) {
        try {
            TMpegAudioFile f(path);
        } catch (const ESonvaleError& e) {
            return e.Message;
        }
        return {};
    }
};

} // namespace

TEST_F(MpegFile, XingFrameCountGivesDurationAtOnceAndTheAverageBitrate) {
    QByteArray d = XingFrame(kL3Word, kL3Size, 36, "Xing", 3, 1000, 300000) + Frames(20);
    TMpegAudioFile f(Put(d));
    EXPECT_EQ(f.Vbr.Type, TVbrHeader::vkXing);
    EXPECT_FALSE(f.Loader->ScanComplete);
    EXPECT_NEAR(f.GetDuration() * 86400.0, 1000 * kSecondsPerL3Frame, 1e-9);
    EXPECT_EQ(f.GetBitrate(), std::lround((300000 - 417) * 8 / (1000 * kSecondsPerL3Frame)));
    // Only the 20 frames after the header frame are audio.
    EXPECT_EQ(f.GetPcmSize(), 20 * kStereoL3Bytes);
    // The header still decides the duration after the scan.
    EXPECT_NEAR(f.GetDuration() * 86400.0, 1000 * kSecondsPerL3Frame, 1e-9);
}

TEST_F(MpegFile, XingWithoutByteCountAveragesOverTheFileAfterTheHeaderFrame) {
    QByteArray d = XingFrame(kL3Word, kL3Size, 36, "Info", 1, 20, 0) + Frames(20) + "TAG" +
                   QByteArray(125, 'x');
    TMpegAudioFile f(Put(d));
    EXPECT_EQ(f.Vbr.Type, TVbrHeader::vkInfo);
    EXPECT_EQ(f.GetBitrate(), std::lround(20 * 417 * 8 / (20 * kSecondsPerL3Frame)));
}

TEST_F(MpegFile, XingWithoutFrameCountIsNotUsed) {
    QByteArray d = XingFrame(kL3Word, kL3Size, 36, "Xing", 2, 0, 9000) + Frames(20);
    TMpegAudioFile f(Put(d));
    EXPECT_FALSE(f.Vbr.Present());
    EXPECT_EQ(f.GetBitrate(), 128000);
    EXPECT_EQ(f.GetPcmSize(), 21 * kStereoL3Bytes);
}

TEST_F(MpegFile, XingPlacesForMonoHalfRateAndProtectedFrames) {
    struct Case {
        uint32_t word;
        int size;
        int offset;
        int spf;
        int rate;
    };
    const Case cases[] = {
        {0xFFFB90C0, 417, 4 + 17, 1152, 44100}, // MPEG-1 mono
        {0xFFF39000, 261, 4 + 17, 576, 22050},  // MPEG-2 stereo
        {0xFFF390C0, 261, 4 + 9, 576, 22050},   // MPEG-2 mono
        {0xFFE39000, 522, 4 + 17, 576, 11025},  // MPEG-2.5 stereo
        {0xFFFA9000, 417, 6 + 32, 1152, 44100}, // CRC before the side information
        {0xFFFA9000, 417, 4 + 32, 1152, 44100}, // CRC not counted by the writer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        QByteArray d =
            XingFrame(c.word, c.size, c.offset, "Xing", 1, 500, 0) + Frames(5, c.word, c.size);
        TMpegAudioFile f(Put(d));
        ASSERT_TRUE(f.Vbr.Present());
        EXPECT_EQ(f.Vbr.Frames, 500u);
        EXPECT_NEAR(f.GetDuration() * 86400.0, 500.0 * c.spf / c.rate, 1e-9);
    }
}

TEST_F(MpegFile, VbriHeader) {
    QByteArray first = Frame(kL3Word, kL3Size, 0);
    first.replace(36, 4, "VBRI");
    PutBE(first, 36 + 10, 123456);
    PutBE(first, 36 + 14, 400);
    TMpegAudioFile f(Put(first + Frames(10)));
    EXPECT_EQ(f.Vbr.Type, TVbrHeader::vkVbri);
    EXPECT_NEAR(f.GetDuration() * 86400.0, 400 * kSecondsPerL3Frame, 1e-9);
    EXPECT_EQ(f.GetBitrate(), std::lround(123456 * 8 / (400 * kSecondsPerL3Frame)));
    EXPECT_EQ(f.GetPcmSize(), 10 * kStereoL3Bytes);
}

TEST_F(MpegFile, EstimateFromTheFirst256Frames) {
    // 256 frames at 128 kbit/s then 100 at 256 kbit/s (835 bytes): the
    // estimate extrapolates the first 256 over everything from the first
    // frame's start to the trailing tags.
    QByteArray audio = Frames(256) + Frames(100, 0xFFFBD000, 835);
    QByteArray ape = "APETAGEX" + QByteArray(24, '\0');
    PutBE(ape, 8, 0xD0070000);  // version 2000, little-endian
    PutBE(ape, 12, 0x20000000); // size 32 (footer only)
    QByteArray id3v1 = "TAG" + QByteArray(125, 'x');
    QByteArray lead = Id3v2(90) + QByteArray(90, '\0');
    QString p = Put(lead + audio + ape + id3v1);
    double expected = double(audio.size()) / (256 * 417) * (256 * 26.12245) / 86400000.0;
    TFastMp3size fast(p, ReadPreferredTags(p).TrailingTagsStart);
    EXPECT_NEAR(fast.GetDuration(), expected, 1e-12);
    EXPECT_NEAR(fast.GetDuration(), expected, 1e-12); // cached

    TMpegAudioFile f(p);
    EXPECT_NEAR(f.GetDuration(), expected, 1e-12);
    // After the scan the duration is the exact frame count.
    f.GetPcmSize();
    EXPECT_NEAR(f.GetDuration() * 86400000.0, 356 * 26.12245, 0.01);
}

TEST_F(MpegFile, EstimateOfANoFrameFileIsZero) {
    QString p = Put(QByteArray(5000, 'q'));
    TFastMp3size fast(p);
    EXPECT_EQ(fast.GetDuration(), 0.0);
}

TEST_F(MpegFile, ReadDeliversEveryFrameOnceAndStops) {
    TMpegAudioFile f(Put(Frames(7)));
    EXPECT_EQ(f.FrameBytes, kStereoL3Bytes);
    int64_t total = 0;
    std::vector<char> buf(1000);
    int calls = 0;
    for (;;) {
        int count = 1000;
        bool more = f.Read(buf.data(), count);
        if (!more) {
            EXPECT_EQ(count, 0);
            break;
        }
        EXPECT_GT(count, 0);
        total += count;
        EXPECT_EQ(f.GetPosition(), total);
        ASSERT_LT(++calls, 100);
    }
    EXPECT_EQ(total, 7 * kStereoL3Bytes);
    EXPECT_EQ(total, f.GetPcmSize());
    int count = 10;
    EXPECT_FALSE(f.Read(buf.data(), count));
}

TEST_F(MpegFile, ReadInLargeBlocksMatchesSmallOnes) {
    TMpegAudioFile f(Put(Frames(9)));
    std::vector<char> buf(3 * kStereoL3Bytes + 10);
    int64_t total = 0;
    int count = int(buf.size());
    while (f.Read(buf.data(), count)) {
        total += count;
        count = int(buf.size());
    }
    EXPECT_EQ(total, 9 * kStereoL3Bytes);
}

TEST_F(MpegFile, SeekLandsOnMultiplesOfFourAndTheRightFrame) {
    TMpegAudioFile f(Put(Frames(30)));
    // A fresh reader knows one frame; the seek must still reach frame 10.
    f.Seek(10 * kStereoL3Bytes + 7);
    EXPECT_EQ(f.GetPosition(), 10 * kStereoL3Bytes + 4);
    EXPECT_EQ(f.Loader->CurrentIndex, 11);
    EXPECT_EQ(f.Pending, kStereoL3Bytes - 4);
    std::vector<char> buf(100000);
    int64_t rest = 0;
    int count = int(buf.size());
    while (f.Read(buf.data(), count)) {
        rest += count;
        count = int(buf.size());
    }
    EXPECT_EQ(rest, 30 * kStereoL3Bytes - (10 * kStereoL3Bytes + 4));
    // Back to the start: everything again.
    f.Seek(0);
    EXPECT_EQ(f.GetPosition(), 0);
    rest = 0;
    count = int(buf.size());
    while (f.Read(buf.data(), count)) {
        rest += count;
        count = int(buf.size());
    }
    EXPECT_EQ(rest, 30 * kStereoL3Bytes);
}

TEST_F(MpegFile, SeekPastTheEndGoesToTheEnd) {
    TMpegAudioFile f(Put(Frames(5)));
    f.Seek(int64_t(1) << 40);
    EXPECT_EQ(f.GetPosition(), 5 * kStereoL3Bytes);
    std::vector<char> buf(64);
    int count = 64;
    EXPECT_FALSE(f.Read(buf.data(), count));
    f.Seek(-100);
    EXPECT_EQ(f.GetPosition(), 0);
}

TEST_F(MpegFile, SeekSkipsTheVbrHeaderFrame) {
    TMpegAudioFile f(Put(XingFrame(kL3Word, kL3Size, 36, "Xing", 1, 6, 0) + Frames(6)));
    EXPECT_EQ(f.Loader->CurrentIndex, 1);
    f.Seek(2 * kStereoL3Bytes);
    EXPECT_EQ(f.Loader->CurrentIndex, 4); // frame 3 of the table decoded
    f.Seek(0);
    EXPECT_EQ(f.Loader->CurrentIndex, 2);
}

TEST_F(MpegFile, MonoFileHasOneChannelAndTwoBytesPerSample) {
    TMpegAudioFile f(Put(Frames(10, 0xFFFB90C0, 417)));
    EXPECT_EQ(f.GetChannels(), 1);
    EXPECT_EQ(f.FrameBytes, 1152 * 2);
    int64_t pcm = f.GetPcmSize();
    EXPECT_NEAR(double(pcm), 10 * 1152 * 2, 2);
    EXPECT_NEAR(f.GetDuration() * 86400.0, double(pcm) / 2 / 44100, 1e-9);
}

TEST_F(MpegFile, BadFilesAreRefusedWithTheMessage) {
    EXPECT_EQ(ErrorOf(Put(QByteArray(), "empty.mp3")),
              "Invalid MPEG file " + dir.filePath("empty.mp3"));
    EXPECT_EQ(ErrorOf(Put(Id3v2(0x0FFFFFFF) + QByteArray(2000, '\0'), "tagonly.mp3")),
              "Invalid MPEG file " + dir.filePath("tagonly.mp3"));
    EXPECT_EQ(ErrorOf(Put(QByteArray(20000, 'r'), "text.mp3")),
              "Invalid MPEG file " + dir.filePath("text.mp3"));
    // Free format and reserved headers are not frames.
    EXPECT_EQ(ErrorOf(Put(Frames(5, 0xFFFB0000, 400), "free.mp3")),
              "Invalid MPEG file " + dir.filePath("free.mp3"));
    EXPECT_EQ(ErrorOf(Put(Frames(5, 0xFFF99000, 400), "res.mp3")),
              "Invalid MPEG file " + dir.filePath("res.mp3"));
    EXPECT_EQ(ErrorOf(dir.filePath("missing.mp3")),
              "Invalid MPEG file " + dir.filePath("missing.mp3"));
}

TEST_F(MpegFile, HostileBytesNeverCrashOrHang) {
    uint32_t state = 99;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state;
    };
    for (int round = 0; round < 300; ++round) {
        QByteArray d;
        int pieces = 1 + next() % 12;
        for (int i = 0; i < pieces; ++i) {
            switch (next() % 5) {
            case 0:
                d += Frames(1 + next() % 4);
                break;
            case 1:
                d += Frame(0xFFE00000 | (next() & 0x1FFFFF), 1 + next() % 1500);
                break;
            case 2:
                d += Id3v2(next() % 5000);
                break;
            case 3:
                d += "TAG" + QByteArray(int(next() % 200), 'T');
                break;
            default: {
                QByteArray g(int(next() % 3000), '\0');
                for (auto& c : g)
                    c = char(next() >> 24);
                d += g;
            }
            }
        }
        QString p = Put(d, QString("h%1.mp3").arg(round));
        try {
            TMpegAudioFile f(p);
            (void)f.GetDuration();
            (void)f.GetBitrate();
            int64_t pcm = f.GetPcmSize();
            EXPECT_GE(pcm, 0);
            f.Seek(int64_t(next() % 100000));
            std::vector<char> buf(5000);
            int count = int(buf.size());
            int reads = 0;
            while (f.Read(buf.data(), count) && ++reads < 10000)
                count = int(buf.size());
            ASSERT_LT(reads, 10000);
        } catch (const ESonvaleError&) {
            // Refused: fine.
        }
    }
}

TEST_F(MpegFile, ThroughTheFacade) {
    QString p = Put(Frames(12), "song.MP3");
    TAudioFile af;
    af.SetFileName(p);
    EXPECT_EQ(af.FormatCode, fcMpeg);
    ASSERT_TRUE(af.Open());
    EXPECT_EQ(af.Reader->GetFormatCode(), fcMpeg);
    EXPECT_TRUE(af.Reader->IsSource());
    EXPECT_EQ(af.Reader->GetFileSize(), 12 * 417);
    EXPECT_NEAR(af.GetDuration() * 86400000.0, 12 * 26.12245, 1e-6);
    {
        // A tag writer replaces the file; the size follows.
        QFile grow(p);
        ASSERT_TRUE(grow.open(QIODevice::Append));
        grow.write("TAG" + QByteArray(125, ' '));
    }
    EXPECT_EQ(af.Reader->GetFileSize(), 12 * 417 + 128);
    for (const char* ext : {"a.mp1", "b.mp2"}) {
        TAudioFile other;
        other.SetFileName(Put(Frames(3), ext));
        EXPECT_TRUE(other.Open()) << ext;
    }
}

TEST_F(MpegFile, TagKindsAudioStartAndThePreferredTag) {
    if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not available";
    // ID3v2 (by ffmpeg), then APEv2 and ID3v1 appended by hand.
    QString p = dir.filePath("tagged.mp3");
    ASSERT_TRUE(FfmpegEncode(p, 44100, 2, 1.0,
                             {"-c:a", "libmp3lame", "-b:a", "64k", "-metadata", "title=From ID3v2",
                              "-id3v2_version", "3", "-write_id3v1", "1"}));
    QByteArray data = Read(p);
    if (ReadPreferredTags(p).TagKinds == 0) GTEST_SKIP() << "tag layer not merged yet";
    TMpegAudioFile f(p);
    EXPECT_EQ(f.TagKinds, tkId3v1 | tkId3v2);
    EXPECT_EQ(f.GetTagValue("title"), "From ID3v2");
    int64_t id3Size = 10 + ((int64_t(data[6]) << 21) | (int64_t(data[7]) << 14) |
                            (int64_t(data[8]) << 7) | int64_t(data[9]));
    EXPECT_EQ(f.AudioStart, id3Size);
}

TEST(MpDecFront, OpenChoosesTheLayerAndKeepsItsContract) {
    QTemporaryDir dir;
    QString p1 = dir.filePath("a.mp3"), p2 = dir.filePath("b.mp2");
    ASSERT_TRUE(Write(p1, Frames(12)));
    ASSERT_TRUE(Write(p2, Frames(12, 0xFFFD9000, 522)));
    TFrameLoader l3(p1, false), l2(p2, false);
    TMpDec dec;
    EXPECT_FALSE(dec.Open(nullptr));
    char buf[8];
    EXPECT_FALSE(dec.DecodeFrame(buf)); // no layer
    EXPECT_EQ(dec.FrameBytes(), 0);
    ASSERT_TRUE(dec.Open(&l3));
    EXPECT_EQ(dec.CurrentLayer, 2);
    EXPECT_EQ(dec.FrameBytes(), 1152 * 4);
    ASSERT_TRUE(dec.Open(&l2));
    EXPECT_EQ(dec.CurrentLayer, 1);
    EXPECT_EQ(dec.Loader, &l2);
    EXPECT_EQ(dec.FrameBytes(), 1152 * 4);
    // The same layer on another loader must read that loader's frames.
    TFrameLoader l2b(p2, false);
    ASSERT_TRUE(dec.Open(&l2b));
    EXPECT_EQ(dec.Loader, &l2b);

    // Layer II: the loader is left just before the target.
    EXPECT_TRUE(dec.SeekToFrame(6));
    EXPECT_EQ(l2b.CurrentIndex, 5);
    ASSERT_TRUE(dec.Open(&l3));
    l3.Scan(false);
    EXPECT_TRUE(dec.SeekToFrame(11));
    EXPECT_EQ(l3.CurrentIndex, 10);
    EXPECT_TRUE(dec.SeekToFrame(0));
    EXPECT_EQ(l3.CurrentIndex, 0);
}

// Reading after a seek gives the bytes a continuous read gives at that
// position (layer III rebuilds its reservoir and overlap exactly; layers I and
// II restart the synthesis history, so their first frame after a seek may
// differ).
TEST(MpegSeek, SeekThenReadMatchesAContinuousRead) {
    if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not available";
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QStringList args;
        int rate;
        bool exact;
    } cases[] = {
        {"v.mp3", {"-c:a", "libmp3lame", "-q:a", "2"}, 44100, true},
        {"m2.mp3", {"-c:a", "libmp3lame", "-b:a", "32k"}, 22050, true},
        {"c.mp2", {"-c:a", "mp2", "-b:a", "160k"}, 44100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path = dir.filePath(c.name);
        ASSERT_TRUE(FfmpegEncode(path, c.rate, 2, 4.0, c.args));
        QByteArray all;
        {
            TMpegAudioFile f(path);
            std::vector<char> buf(10000);
            int count = int(buf.size());
            while (f.Read(buf.data(), count)) {
                all.append(buf.data(), count);
                count = int(buf.size());
            }
            ASSERT_EQ(all.size(), f.GetPcmSize());
        }
        TMpegAudioFile f(path);
        const int frameBytes = f.FrameBytes;
        const int64_t positions[] = {int64_t(frameBytes) * 20 + 400, int64_t(frameBytes) * 3,
                                     int64_t(frameBytes) * 11 + 8, 0, all.size() - 3000};
        for (int64_t pos : positions) {
            SCOPED_TRACE(pos);
            f.Seek(pos);
            ASSERT_EQ(f.GetPosition(), pos);
            std::vector<char> got(12000);
            int count = int(got.size());
            ASSERT_TRUE(f.Read(got.data(), count));
            int64_t expectCount = std::min<int64_t>(got.size(), all.size() - pos);
            ASSERT_EQ(count, expectCount);
            int skip = (c.exact || pos == 0) ? 0 : std::min(count, frameBytes);
            EXPECT_EQ(QByteArray(got.data() + skip, count - skip),
                      all.mid(pos + skip, count - skip));
        }
    }
}

// Trailing tags are no audio even when their bytes pass for frames (a picture,
// an embedded song): the search, Read and the duration stop where they start.
TEST_F(MpegFile, TrailingTagsEndTheStream) {
    fixtures::EncodeOptions o;
    o.seconds = 0.5;
    const QString plain = dir.filePath("plain.mp3");
    ASSERT_TRUE(fixtures::EncodeMp3(plain, o));
    const QByteArray song = Read(plain);
    const int64_t pcm = TMpegAudioFile(plain).GetPcmSize();
    const QByteArray v1 = tagtest::Id3v1Block("T", "A", 1, 2);
    const QByteArray item =
        tagtest::ApeItem("Cover Art (Front)", "c.jpg" + QByteArray(1, 0) + song, 2);
    const QByteArray ape = item + tagtest::ApeFooter(int(item.size()), 1, 0);
    const QByteArray lyrics = "LYRICSBEGININD00002" + QByteArray("11") + "LYR" +
                              QByteArray::number(4000).rightJustified(5, '0') + song.left(4000);
    const QByteArray lyrics3 =
        lyrics + QByteArray::number(lyrics.size()).rightJustified(6, '0') + "LYRICS200";
    for (const QByteArray& tail : {ape, ape + v1, lyrics3 + v1, v1}) {
        const QString p = Put(song + tail, "tagged.mp3");
        TMpegAudioFile f(p);
        EXPECT_NEAR(f.GetDuration() * 86400.0 * 44100 * 4, double(pcm), kStereoL3Bytes);
        EXPECT_EQ(f.GetPcmSize(), pcm) << tail.left(11).toStdString();
        EXPECT_EQ(int64_t(fixtures::ReadAllBytes(f).size()), pcm);
    }
}

// A sparse file with a few frames at its head: the duration counts the frames
// the PCM size counts, not gigabytes of zeros at the bit rate of the first.
TEST_F(MpegFile, DurationAndPcmSizeAgreeOverASparseTail) {
    for (int frames : {1, 300}) {
        const QString p = Put(Frames(frames));
        ASSERT_TRUE(QFile::resize(p, int64_t(4) << 30));
        TMpegAudioFile f(p);
        EXPECT_NEAR(f.GetDuration() * 86400.0, frames * kSecondsPerL3Frame, 1e-9) << frames;
        EXPECT_EQ(f.GetPcmSize(), frames * kStereoL3Bytes);
    }
}

TEST_F(MpegFile, PcmSizeOfALongFileIsWholeFrames) {
    // Summed in milliseconds, 6000 frames came to 2 bytes more than Read gives.
    TMpegAudioFile f(Put(Frames(6000)));
    EXPECT_EQ(f.GetPcmSize(), int64_t(6000) * kStereoL3Bytes);
}

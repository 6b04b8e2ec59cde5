#include "mpeg/MpegHeader.h"
#include "MpegTestUtil.h"
#include "io/WFileStream.h"

#include <gtest/gtest.h>

using namespace mpegtest;

namespace {

struct THeaderCase {
    uint32_t word;
    int frameSize;
    int mainData;
    int bitrate;
    int rate;
    int channels;
    int layerIndex;
    TMpegVersion version;
    double durationMs;
};

// Sizes from the standards' formulas: 12*br/rate*4 (layer I), 144*br/rate
// (layer II, MPEG-1 layer III), 72*br/rate (half-rate layer III).
const THeaderCase kCases[] = {
    {0xFFFB9000, 417, 417 - 4 - 32, 128000, 44100, 2, 2, mvMpeg1, 26.12245},
    {0xFFFB9200, 418, 418 - 4 - 32, 128000, 44100, 2, 2, mvMpeg1, 26.12245},
    {0xFFFA9000, 417, 417 - 6 - 32, 128000, 44100, 2, 2, mvMpeg1, 26.12245},
    {0xFFFB90C0, 417, 417 - 4 - 17, 128000, 44100, 1, 2, mvMpeg1, 26.12245},
    {0xFFFBE400, 960, 960 - 4 - 32, 320000, 48000, 2, 2, mvMpeg1, 24.0},
    {0xFFFB1800, 144, 144 - 4 - 32, 32000, 32000, 2, 2, mvMpeg1, 36.0},
    {0xFFFD9000, 522, 518, 160000, 44100, 2, 1, mvMpeg1, 26.12245},
    {0xFFFDE800, 1728, 1724, 384000, 32000, 2, 1, mvMpeg1, 36.0},
    {0xFFFF9000, 312, 308, 288000, 44100, 2, 0, mvMpeg1, 8.707483},
    {0xFFFF1400, 32, 28, 32000, 48000, 2, 0, mvMpeg1, 8.0},
    {0xFFF39000, 261, 261 - 4 - 17, 80000, 22050, 2, 2, mvMpeg2, 576 * 1000.0 / 22050},
    {0xFFF390C0, 261, 261 - 4 - 9, 80000, 22050, 1, 2, mvMpeg2, 576 * 1000.0 / 22050},
    {0xFFF58400, 384, 380, 64000, 24000, 2, 1, mvMpeg2, 1152 * 1000.0 / 24000},
    {0xFFF78800, 384, 380, 128000, 16000, 2, 0, mvMpeg2, 384 * 1000.0 / 16000},
    // MPEG-2.5: 72 * 80000 / 11025 = 522.4 (rate / 50 is not whole here).
    {0xFFE39000, 522, 522 - 4 - 17, 80000, 11025, 2, 2, mvMpeg25, 576 * 1000.0 / 11025},
    {0xFFE39400, 480, 480 - 4 - 17, 80000, 12000, 2, 2, mvMpeg25, 48.0},
    {0xFFE318C0, 72, 72 - 4 - 9, 8000, 8000, 1, 2, mvMpeg25, 72.0},
};

} // namespace

TEST(MpegHeader, ParsesEveryVersionAndLayer) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(QString::number(c.word, 16).toStdString());
        TMpegHeader h;
        h.ParseHeader(c.word);
        ASSERT_TRUE(h.IsValid());
        EXPECT_EQ(h.Word, c.word);
        EXPECT_EQ(h.FrameSize, c.frameSize);
        EXPECT_EQ(h.MainDataSize, c.mainData);
        EXPECT_EQ(h.Bitrate(), c.bitrate);
        EXPECT_EQ(h.SampleRate(), c.rate);
        EXPECT_EQ(h.Channels(), c.channels);
        EXPECT_EQ(h.LayerIndex(), c.layerIndex);
        EXPECT_EQ(h.Version(), c.version);
        EXPECT_NEAR(h.FrameDuration(), c.durationMs, 1e-9);
        EXPECT_NEAR(h.FrameDuration(), h.SamplesPerFrame() * 1000.0 / h.SampleRate(), 1e-5);
    }
}

TEST(MpegHeader, RejectsUnusableWords) {
    const uint32_t bad[] = {
        0xFFFB0000, // free format
        0xFFFBF000, // bitrate index 15
        0xFFFB9C00, // sample-rate index 3
        0xFFF99000, // reserved layer
        0xFFEB9000, // reserved version
        0xFFC39000, // only 10 sync bits
        0x00000000, 0xFFFFFFFF,
    };
    for (uint32_t w : bad) {
        TMpegHeader h;
        h.ParseHeader(0xFFFB9000);
        h.ParseHeader(w);
        EXPECT_FALSE(h.IsValid()) << std::hex << w;
        EXPECT_EQ(h.Word, 0u);
        EXPECT_EQ(h.FrameSize, 0);
        EXPECT_EQ(h.MainDataSize, 0);
    }
}

TEST(MpegHeader, NoUsableWordGivesOversizedOrNonPositiveFrame) {
    // Exhaustive: whatever the bits, a kept header has a frame of 1..10000 bytes
    // and a non-negative main data size.
    for (uint32_t hi = 0xFFE0; hi <= 0xFFFF; ++hi) {
        for (uint32_t lo = 0; lo <= 0xFFFF; lo += 0x11) {
            TMpegHeader h;
            h.ParseHeader((hi << 16) | lo);
            if (!h.IsValid()) continue;
            ASSERT_GT(h.FrameSize, 0);
            ASSERT_LE(h.FrameSize, 10000);
            ASSERT_GE(h.MainDataSize, 0);
            ASSERT_GT(h.FrameDuration(), 0.0);
        }
    }
}

class FrameSearch : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path() const { return dir.filePath("s.mp3"); }
    // Writes data and returns the offsets of every frame the search finds.
    std::vector<int> Offsets(const QByteArray& data, std::vector<bool>* resynced = nullptr) {
        EXPECT_TRUE(Write(Path(), data));
        TFrameStream s(Path());
        TMpegHeader h;
        std::vector<int> found;
        bool ok = h.FindFrame(s, false);
        while (ok) {
            found.push_back(h.Position);
            if (resynced) resynced->push_back(h.Resynced);
            ok = h.FindFrame(s, true);
            if (found.size() > 10000) break;
        }
        return found;
    }
};

TEST_F(FrameSearch, ConsecutiveFrames) {
    QByteArray d;
    for (int i = 0; i < 5; ++i)
        d += Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(d), (std::vector<int>{0, 417, 834, 1251, 1668}));
}

TEST_F(FrameSearch, SkipsId3v2TagAndItsZeroPadding) {
    QByteArray d = Id3v2(300) + QByteArray(300, '\0') + QByteArray(50, '\0');
    d += Frame(kL3Word, kL3Size) + Frame(kL3Word, kL3Size);
    std::vector<bool> resynced;
    EXPECT_EQ(Offsets(d, &resynced), (std::vector<int>{360, 777}));
    EXPECT_FALSE(resynced[0]);
}

TEST_F(FrameSearch, Id3v2FooterCounts) {
    QByteArray d = Id3v2(20, true) + QByteArray(30, 'x'); // body 20 + footer 10
    d += Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(d), (std::vector<int>{40}));
}

TEST_F(FrameSearch, SyncInsideId3v2TagIsNotAFrame) {
    QByteArray body = Frame(kL3Word, 100); // a sync word inside the tag's body
    QByteArray d = Id3v2(body.size()) + body + Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(d), (std::vector<int>{110}));
}

TEST_F(FrameSearch, TagOnlyOrHugeDeclaredSizeFindsNothing) {
    EXPECT_TRUE(Offsets(Id3v2(1000) + QByteArray(1000, '\0')).empty());
    EXPECT_TRUE(Offsets(Id3v2(0x0FFFFFFF) + Frame(kL3Word, kL3Size) + QByteArray(100, 0)).empty());
}

TEST_F(FrameSearch, LeadingZerosStopAtFirstNonZeroByte) {
    std::vector<bool> resynced;
    EXPECT_EQ(Offsets(QByteArray(5000, '\0') + Frame(kL3Word, kL3Size), &resynced),
              std::vector<int>{5000});
    EXPECT_FALSE(resynced[0]);
}

TEST_F(FrameSearch, LeadingZerosBeyond8191StartTheSearchAt8191) {
    std::vector<bool> resynced;
    EXPECT_EQ(Offsets(QByteArray(8191, '\0') + Frame(kL3Word, kL3Size), &resynced),
              std::vector<int>{8191});
    EXPECT_FALSE(resynced[0]);
    resynced.clear();
    EXPECT_EQ(Offsets(QByteArray(9000, '\0') + Frame(kL3Word, kL3Size), &resynced),
              std::vector<int>{9000});
    EXPECT_TRUE(resynced[0]); // zeros from 8191 on were searched through
}

TEST_F(FrameSearch, BadSyncAdvancesByTwoBytes) {
    // 0xFF 0xFF 0xFB 0x90: the window at 1 is skipped, so the frame at 1 is
    // missed and the search lands on the frame after it.
    QByteArray d("x\xFF", 2);
    d += Frame(kL3Word, kL3Size) + Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(d), (std::vector<int>{2 + 417}));
}

TEST_F(FrameSearch, TagInTheAudioSkips128Bytes) {
    QByteArray tag = "TAG" + QByteArray(125, 'a');
    tag.replace(10, 4, QByteArray("\xFF\xFB\x90\x00", 4)); // a sync inside the tag
    QByteArray d = Frame(kL3Word, kL3Size) + tag + Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(d), (std::vector<int>{0, 417 + 128}));
}

TEST_F(FrameSearch, TagNearTheEndStopsTheSearch) {
    QByteArray d = Frame(kL3Word, kL3Size) + "TAG" + QByteArray(120, 'a');
    EXPECT_EQ(Offsets(d), std::vector<int>{0});
}

TEST_F(FrameSearch, GarbageBetweenFramesIsSkipped) {
    QByteArray d = Frame(kL3Word, kL3Size) + QByteArray("garbage\x01\x02", 9) +
                   Frame(kL3Word, kL3Size) + QByteArray("\xFF\xE0\x00\x00", 4) +
                   Frame(kL3Word, kL3Size);
    std::vector<bool> resynced;
    EXPECT_EQ(Offsets(d, &resynced), (std::vector<int>{0, 426, 847}));
    EXPECT_EQ(resynced, (std::vector<bool>{false, true, true}));
}

TEST_F(FrameSearch, CutLastFrameIsDropped) {
    QByteArray d = Frame(kL3Word, kL3Size) + Frame(kL3Word, kL3Size) + Frame(kL3Word, kL3Size);
    d.chop(1);
    EXPECT_EQ(Offsets(d), (std::vector<int>{0, 417}));
}

TEST_F(FrameSearch, FewerThanFourBytesLeft) {
    EXPECT_TRUE(Offsets(QByteArray()).empty());
    EXPECT_TRUE(Offsets(QByteArray("\xFF\xFB\x90", 3)).empty());
    EXPECT_TRUE(Offsets(QByteArray("\xFF\xFB\x90\x00", 4)).empty());
}

TEST_F(FrameSearch, Mpeg25FramesChain) {
    QByteArray d;
    for (int i = 0; i < 3; ++i)
        d += Frame(0xFFE39000, 522);
    EXPECT_EQ(Offsets(d), (std::vector<int>{0, 522, 1044}));
}

TEST_F(FrameSearch, RandomBytesNeverCrashOrLoop) {
    uint32_t state = 12345;
    for (int round = 0; round < 40; ++round) {
        QByteArray d(20000, '\0');
        for (auto& c : d) {
            state = state * 1103515245u + 12345u;
            c = char(state >> 24);
            // Dense syncs: every 8th byte 0xFF.
            if ((state & 7) == 0) c = char(0xFF);
        }
        for (int off : Offsets(d)) {
            ASSERT_GE(off, 0);
            ASSERT_LT(off, d.size());
        }
    }
}

TEST_F(FrameSearch, WorksOnAPlainFileStream) {
    QByteArray d = QByteArray("junk") + Frame(kL3Word, kL3Size) + Frame(kL3Word, kL3Size);
    ASSERT_TRUE(Write(Path(), d));
    TWFileStream s(Path(), fmOpenRead | fmShareDenyNone);
    TMpegHeader h;
    ASSERT_TRUE(h.FindFrame(s, false));
    EXPECT_EQ(h.Position, 4);
    EXPECT_TRUE(h.Resynced);
    ASSERT_TRUE(h.FindFrame(s, true));
    EXPECT_EQ(h.Position, 421);
    EXPECT_FALSE(h.Resynced);
    EXPECT_FALSE(h.FindFrame(s, true));
}

TEST_F(FrameSearch, Id3v2TagAfterGarbageOrAfterAFirstTagIsSkipped) {
    QByteArray body = Frame(0xFFF39400, 100); // looks like a 24 kHz frame header
    QByteArray afterGarbage =
        QByteArray("junk") + Id3v2(body.size()) + body + Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(afterGarbage), std::vector<int>{4 + 10 + 100});
    QByteArray twoTags =
        Id3v2(20) + QByteArray(20, 'a') + Id3v2(body.size()) + body + Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(twoTags), std::vector<int>{30 + 10 + 100});
    // "ID3" that is no tag header is searched through like other bytes.
    QByteArray stray = Frame(kL3Word, kL3Size) + QByteArray("ID3\xFF\x00\x00\x00\x00\x00\x01", 10) +
                       Frame(kL3Word, kL3Size);
    EXPECT_EQ(Offsets(stray), (std::vector<int>{0, 427}));
}

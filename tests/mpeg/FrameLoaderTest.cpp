#include "mpeg/FrameLoader.h"
#include "MpegTestUtil.h"
#include "io/SonvaleError.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <thread>

using namespace mpegtest;

namespace {

class FrameLoaderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path() const { return dir.filePath("l.mp3"); }

    // n frames of 417 bytes whose payload bytes are their own index in the
    // frame plus the frame number, so a loaded frame can be recognised.
    QByteArray Frames(int n, int lead = 0) {
        QByteArray d(lead, 'j');
        for (int i = 0; i < n; ++i) {
            QByteArray f;
            PutWord(f, kL3Word);
            for (int k = 4; k < kL3Size; ++k)
                f.append(char(0x20 + ((k + i) % 64)));
            d += f;
        }
        return d;
    }
};

} // namespace

TEST_F(FrameLoaderTest, NoFrameRaisesInvalidFile) {
    ASSERT_TRUE(Write(Path(), QByteArray(3000, 'z')));
    try {
        TFrameLoader l(Path(), false);
        FAIL() << "no error";
    } catch (const ESonvaleError& e) {
        EXPECT_EQ(e.Message, "Invalid MPEG file " + Path());
    }
    ASSERT_TRUE(Write(Path(), QByteArray()));
    EXPECT_THROW(TFrameLoader(Path(), false), ESonvaleError);
    EXPECT_THROW(TFrameLoader(dir.filePath("missing.mp3"), false), ESonvaleError);
}

TEST_F(FrameLoaderTest, OpenHoldsFirstFrameOnly) {
    ASSERT_TRUE(Write(Path(), Frames(10, 5)));
    TFrameLoader l(Path(), false);
    EXPECT_TRUE(l.Opened);
    EXPECT_FALSE(l.ScanComplete);
    EXPECT_EQ(l.FrameCount, 1);
    EXPECT_EQ(l.FrameOffsets, std::vector<int32_t>{5});
    EXPECT_EQ(l.AudioBytes, 10 * 417);
    EXPECT_EQ(l.ScannedEnd, 5 + 417);
    EXPECT_EQ(l.FrameEndMs, std::vector<int32_t>{26});
    EXPECT_TRUE(l.FrameLoaded);
    EXPECT_EQ(l.CurrentIndex, 0);
    EXPECT_EQ(l.FirstHeader.Word, kL3Word);
    EXPECT_EQ(l.FrameData[0], 0x20 + 4);
}

TEST_F(FrameLoaderTest, NextFrameGrowsTheTableAndLoadsEachFrame) {
    ASSERT_TRUE(Write(Path(), Frames(6)));
    TFrameLoader l(Path(), false);
    for (int i = 1; i < 6; ++i) {
        ASSERT_TRUE(l.NextFrame());
        EXPECT_EQ(l.CurrentIndex, i);
        EXPECT_TRUE(l.FrameLoaded);
        EXPECT_EQ(l.FrameData[0], 0x20 + ((4 + i) % 64));
        EXPECT_EQ(l.FrameCount, i + 1);
    }
    EXPECT_FALSE(l.NextFrame());
    EXPECT_TRUE(l.ScanComplete);
    EXPECT_EQ(l.FrameCount, 6);
    // Going back to an earlier frame reloads it.
    ASSERT_TRUE(l.LoadFrame(2));
    EXPECT_EQ(l.FrameData[0], 0x20 + 6);
    EXPECT_FALSE(l.LoadFrame(6));
    EXPECT_FALSE(l.LoadFrame(-1));
}

TEST_F(FrameLoaderTest, ScanBuildsTheWholeTableAndExactTotals) {
    ASSERT_TRUE(Write(Path(), Frames(100, 7) + "TAG" + QByteArray(125, 'x')));
    TFrameLoader l(Path(), false);
    int frameCountCalls = 0;
    int32_t doneFrames = 0;
    l.OnFrameCount = [&](TFrameLoader*, int32_t) { ++frameCountCalls; };
    l.OnScanDone = [&](TFrameLoader*, int32_t f, int64_t, double) { doneFrames = f; };
    EXPECT_FALSE(l.Scan(false));
    EXPECT_TRUE(l.ScanComplete);
    EXPECT_TRUE(l.Scan(false));
    EXPECT_EQ(l.FrameCount, 100);
    EXPECT_EQ(doneFrames, 100);
    EXPECT_GE(frameCountCalls, 100);
    ASSERT_EQ(l.FrameOffsets.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(l.FrameOffsets[i], 7 + 417 * i);
        EXPECT_EQ(l.FrameSizes[i], 417);
        EXPECT_EQ(l.FrameEndMs[i], std::lround(26.12245 * (i + 1)));
    }
    EXPECT_NEAR(l.TotalMs, 2612.245, 1e-6);
    // Samples over both channels: 2612.245 ms * 88200 / 1000.
    EXPECT_EQ(l.GetTotalSamples(), std::llround(2612.245 * 88.2));
}

TEST_F(FrameLoaderTest, TotalSamplesEstimateExtrapolatesFromTheFirstFrame) {
    // A leading tag must not shrink the estimate: bytes are counted from the
    // first frame on both sides.
    ASSERT_TRUE(Write(Path(), Id3v2(20000) + QByteArray(20000, '\0') + Frames(50)));
    TFrameLoader l(Path(), false);
    ASSERT_EQ(l.FrameCount, 1);
    double expected = 26.12245 * 88.2 * 50;
    EXPECT_NEAR(double(l.GetTotalSamples()), expected, 1.0);
}

TEST_F(FrameLoaderTest, BackgroundScanMatchesSynchronousScan) {
    QByteArray data = Frames(3000, 3);
    data.insert(417 * 1000, QByteArray("garbage", 7));
    ASSERT_TRUE(Write(Path(), data));
    TFrameLoader sync(Path(), false);
    sync.Scan(false);

    TWakeEvent wake;
    TFrameLoader bg(Path(), false);
    bg.WakeEvent = &wake;
    bg.WakeAfter = 500;
    EXPECT_TRUE(bg.Scan(true));
    EXPECT_TRUE(wake.Wait(20000));
    wake.Reset();
    // Reading frames while the scan runs is safe.
    for (int i = 0; i < 200; ++i)
        bg.NextFrame();
    for (int i = 0; i < 200 && !bg.ScanComplete; ++i)
        wake.Wait(100);
    ASSERT_TRUE(bg.ScanComplete);
    EXPECT_EQ(bg.FrameCount, sync.FrameCount);
    EXPECT_EQ(bg.FrameOffsets, sync.FrameOffsets);
    EXPECT_EQ(bg.FrameEndMs, sync.FrameEndMs);
    EXPECT_EQ(bg.GetTotalSamples(), sync.GetTotalSamples());
}

TEST_F(FrameLoaderTest, DestroyingDuringABackgroundScanStopsIt) {
    ASSERT_TRUE(Write(Path(), Frames(20000)));
    for (int i = 0; i < 3; ++i) {
        TFrameLoader l(Path(), true);
        EXPECT_GE(l.FrameCount, 1);
    }
}

TEST_F(FrameLoaderTest, ProtectedFrameDataStartsAfterTheCrc) {
    QByteArray d;
    for (int i = 0; i < 2; ++i) {
        QByteArray f;
        PutWord(f, 0xFFFA9000);
        f.append(char(0xAB)).append(char(0xCD));
        for (int k = 6; k < 417; ++k)
            f.append(char(k & 0x7F));
        d += f;
    }
    ASSERT_TRUE(Write(Path(), d));
    TFrameLoader l(Path(), false);
    EXPECT_EQ(l.CurrentHeader.Crc[0], 0xAB);
    EXPECT_EQ(l.CurrentHeader.Crc[1], 0xCD);
    EXPECT_EQ(l.FrameData[0], 6);
    // 413 bytes read: the last two belong to the next frame's header.
    EXPECT_EQ(l.FrameData[411], 0xFF);
    EXPECT_EQ(l.FrameData[412], 0xFA);
}

TEST_F(FrameLoaderTest, BitReader) {
    ASSERT_TRUE(Write(Path(), Frames(2)));
    TFrameLoader l(Path(), false);
    const uint8_t bytes[] = {0xA5, 0x3C, 0xFF, 0x00, 0x81, 0x7E};
    std::memcpy(l.FrameData, bytes, sizeof bytes);
    l.BitPos = 0;
    EXPECT_EQ(l.GetBit(), 1u);
    EXPECT_EQ(l.GetBit(), 0u);
    EXPECT_EQ(l.GetBits(0), 0u);
    EXPECT_EQ(l.BitPos, 2u);
    EXPECT_EQ(l.GetBits(6), 0x25u);   // 100101
    EXPECT_EQ(l.GetBits(12), 0x3CFu); // 0011 1100 1111
    EXPECT_EQ(l.GetBits(25), 0x1E0102Fu);
    EXPECT_EQ(l.BitPos, 45u);
    l.BitPos = 8;
    uint8_t out[3];
    l.GetBytes(out, 3);
    EXPECT_EQ(out[0], 0x3C);
    EXPECT_EQ(out[2], 0x00);
    EXPECT_EQ(l.BitPos, 32u);
    l.BitPos = 4;
    EXPECT_EQ(l.GetBits(32), 0x53CFF008u);
}

TEST_F(FrameLoaderTest, BitReaderNeverReadsPastTheBuffer) {
    ASSERT_TRUE(Write(Path(), Frames(2)));
    TFrameLoader l(Path(), false);
    std::memset(l.FrameData, 0xFF, sizeof l.FrameData);
    l.BitPos = 8192 * 8 - 4;
    EXPECT_EQ(l.GetBits(8), 0xF0u); // the last 4 bits, then zeros
    EXPECT_EQ(l.GetBits(25), 0u);
    EXPECT_EQ(l.GetBit(), 0u);
    uint8_t out[16];
    std::memset(out, 0x11, sizeof out);
    l.BitPos = (8192 - 2) * 8;
    l.GetBytes(out, 16);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[2], 0x00);
    EXPECT_EQ(out[15], 0x00);
    l.BitPos = 0xFFFFFFF0u;
    EXPECT_EQ(l.GetBits(25), 0u);
    l.BitPos = 0xFFFFFFF0u;
    l.GetBytes(out, 16);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(l.BitPos, 0xFFFFFFFFu); // saturates instead of wrapping to the start
}

TEST_F(FrameLoaderTest, DamagedHeaderIsSkippedByTheSearch) {
    QByteArray d = Frames(3);
    d[417] = 0;
    ASSERT_TRUE(Write(Path(), d));
    TFrameLoader l(Path(), false);
    l.Scan(false);
    EXPECT_EQ(l.FrameCount, 2);
    EXPECT_EQ(l.FrameOffsets[1], 834);
}

TEST_F(FrameLoaderTest, HeaderGoneSinceTheScanLeavesFrameNotLoaded) {
    ASSERT_TRUE(Write(Path(), Frames(200)));
    TFrameLoader l(Path(), false);
    l.Scan(false);
    ASSERT_EQ(l.FrameCount, 200);
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(417 * 150);
        f.write(QByteArray(4, '\0'));
    }
    EXPECT_TRUE(l.LoadFrame(150));
    EXPECT_FALSE(l.FrameLoaded);
    EXPECT_TRUE(l.LoadFrame(149));
    EXPECT_TRUE(l.FrameLoaded);
}

TEST_F(FrameLoaderTest, NothingAtOrBeyond2GiBIsSearched) {
    // A sparse file larger than 2 GiB: frames at the start, and one right
    // below the limit that would end beyond it.
    const int64_t limit = 0x7FFFFFFF;
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Frames(3));
        ASSERT_TRUE(f.resize(limit + 300 * 1024 * 1024));
        ASSERT_TRUE(f.seek(limit - 200));
        f.write(Frames(1));
    }
    TFrameLoader l(Path(), false);
    EXPECT_EQ(l.AudioBytes, limit); // clamped, not wrapped
    EXPECT_LT(l.FrameOffsets.capacity(), 1u << 20);

    TFrameStream s(Path());
    TMpegHeader h;
    EXPECT_TRUE(h.ReadHeaderAt(s, limit - 200));
    EXPECT_FALSE(h.ReadHeaderAt(s, limit + 1000));
    // Searching from just below the limit finds nothing: the frame there ends
    // past it.
    s.Position = limit - 300;
    EXPECT_FALSE(h.FindFrame(s, false));
    h.ParseHeader(kL3Word);
    h.Position = limit - 10;
    EXPECT_FALSE(h.FindFrame(s, true)); // Position + FrameSize does not wrap
}

TEST_F(FrameLoaderTest, BackgroundNotificationsRunOnTheApplicationThread) {
    ASSERT_TRUE(Write(Path(), Frames(4000)));
    int argc = 1;
    char name[] = "test_mpeg";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto mainThread = std::this_thread::get_id();
    bool done = false, startSeen = false, allOnMain = true;
    int32_t doneFrames = 0;
    int counts = 0;
    {
        TFrameLoader l(Path(), false);
        l.OnScanStart = [&](TFrameLoader*, const TMpegHeader& h) {
            startSeen = h.Word == kL3Word;
            allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        };
        l.OnFrameCount = [&](TFrameLoader*, int32_t) {
            ++counts;
            allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        };
        l.OnScanDone = [&](TFrameLoader*, int32_t frames, int64_t, double) {
            done = true;
            doneFrames = frames;
            allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        };
        ASSERT_TRUE(l.Scan(true));
        for (int i = 0; i < 2000 && !done; ++i) {
            app.processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(done);
        EXPECT_EQ(doneFrames, 4000);
        EXPECT_TRUE(startSeen);
        EXPECT_GE(counts, 4000);
        EXPECT_TRUE(allOnMain);
    }
    // A loader destroyed with notifications still queued: none of them runs.
    counts = 0;
    {
        TFrameLoader l(Path(), false);
        l.OnFrameCount = [&](TFrameLoader*, int32_t) { ++counts; };
        TWakeEvent wake;
        l.WakeEvent = &wake;
        l.Scan(true);
        for (int i = 0; i < 500 && !l.ScanComplete; ++i)
            wake.Wait(20);
    }
    app.processEvents();
    EXPECT_EQ(counts, 0);
}

// Damaged and unusual input: the decoder reports the frame, gives silence or partial output,
// and goes on; it never writes past a frame's PCM or reads outside its buffers.

#include "DecoderTestUtil.h"

#include "decoder/LayerDecoders.h"
#include "decoder/MpDec.h"
#include "mpeg/FrameLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using namespace dectest;

namespace {

std::string EncodedFile(const std::string& name, const std::string& codec, int rate, int channels,
                        int kbps) {
    const std::string path = TempDir() + "/" + name;
    if (!FileExists(path) && !EncodeTestFile(path, codec, rate, channels, kbps, 3.0, true))
        return {};
    return path;
}

bool KnownDiagnostic(const QString& text) {
    static const char* prefixes[] = {"MPL3 Frame #", "MP1L3 Frame #", "MP2L3 Frame #",
                                     "Try to decode Another layer than Layer 3"};
    for (const char* p : prefixes)
        if (text.startsWith(QLatin1String(p))) return true;
    return false;
}

bool AllZero(const int16_t* p, size_t n) {
    return std::all_of(p, p + n, [](int16_t v) { return v == 0; });
}

} // namespace

// Thousands of randomly damaged copies of real frames of each layer: header fields, side
// information, main data and sizes. Every decode must stay inside its frame's output.
TEST(DecoderRobustness, RandomlyDamagedFramesNeverOverrun) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    std::vector<std::string> files = {EncodedFile("fuzz-joint.mp3", "libmp3lame", 44100, 2, 192),
                                      EncodedFile("fuzz-lsf.mp3", "libmp3lame", 22050, 2, 64),
                                      EncodedFile("fuzz-mono.mp3", "libmp3lame", 8000, 1, 24),
                                      EncodedFile("fuzz.mp2", "mp2", 48000, 2, 256)};
    const std::string iso = CorpusPath("iso-mpeg/l1-fl8.bit");
    if (FileExists(iso)) files.push_back(iso);
    std::mt19937 rng(20261208);
    constexpr int16_t kSentinel = 0x5A5A;
    int decodes = 0;
    for (const std::string& path : files) {
        ASSERT_FALSE(path.empty());
        TFrameLoader loader(QString::fromStdString(path), false);
        loader.Scan(false);
        TMpDec dec;
        ASSERT_TRUE(dec.Open(&loader)) << path;
        const int bytes = dec.FrameBytes();
        std::vector<int16_t> out(size_t(bytes) / 2 + 256);
        for (int iter = 0; iter < 1500; ++iter) {
            const int index = int(rng() % uint32_t(loader.FrameCount));
            ASSERT_TRUE(loader.LoadFrame(index));
            const int size = std::max(4, int(loader.CurrentHeader.FrameSize));
            switch (rng() % 6) {
            case 0: // a few flipped bits anywhere in the frame
                for (int k = 0; k < 1 + int(rng() % 8); ++k)
                    loader.FrameData[rng() % uint32_t(size)] ^= uint8_t(1u << (rng() % 8));
                break;
            case 1: // side information and allocation replaced by noise
                for (int k = 0; k < 40; ++k)
                    loader.FrameData[k] = uint8_t(rng());
                break;
            case 2: // the whole frame is noise
                for (int k = 0; k < size; ++k)
                    loader.FrameData[k] = uint8_t(rng());
                break;
            case 3: // header fields other than the sync
                loader.CurrentHeader.Word =
                    (loader.CurrentHeader.Word & 0xFFE00000u) | (rng() & 0x1FFFFFu);
                break;
            case 4: // a main-data size that does not fit the frame
                loader.CurrentHeader.MainDataSize = int32_t(rng() % 20000) - 2000;
                break;
            default: // all bits set: maximal table indexes, lengths and counts
                std::memset(loader.FrameData, 0xFF, size_t(size));
                break;
            }
            if (rng() % 50 == 0) dec.Layer->Reset();
            std::fill(out.begin(), out.end(), kSentinel);
            dec.DecodeFrame(out.data());
            ++decodes;
            for (size_t k = size_t(bytes) / 2; k < out.size(); ++k) {
                ASSERT_EQ(out[k], kSentinel) << path << " frame " << index;
            }
            const QString err = dec.LastError();
            if (!err.isEmpty()) {
                EXPECT_TRUE(KnownDiagnostic(err)) << err.toStdString();
            }
        }
        // and the stream still decodes normally afterwards
        dec.SeekToFrame(0);
        ASSERT_TRUE(loader.LoadFrame(0));
        EXPECT_TRUE(dec.DecodeFrame(out.data()));
    }
    EXPECT_GE(decodes, 6000);
}

TEST(DecoderRobustness, MainDataSizeOutOfRangeIsReportedAndSilent) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    for (int rate : {44100, 22050}) {
        const std::string path =
            EncodedFile("size-" + std::to_string(rate) + ".mp3", "libmp3lame", rate, 2, 64);
        ASSERT_FALSE(path.empty());
        TFrameLoader loader(QString::fromStdString(path), false);
        loader.Scan(false);
        TMpDec dec;
        ASSERT_TRUE(dec.Open(&loader));
        ASSERT_TRUE(loader.LoadFrame(5));
        loader.CurrentHeader.MainDataSize = 8193;
        std::vector<int16_t> out(size_t(dec.FrameBytes()) / 2, 1);
        dec.DecodeFrame(out.data());
        const char* expected =
            rate == 44100
                ? "MP1L3 Frame #5 : number of bytes in frame is negative of exceed frame max"
                : "MP2L3 Frame #5 : number of bytes in frame is negative of exceed frame max";
        EXPECT_EQ(dec.LastError().toStdString(), expected);
        EXPECT_TRUE(AllZero(out.data(), out.size()));
        loader.CurrentHeader.MainDataSize = -1;
        dec.DecodeFrame(out.data());
        EXPECT_EQ(dec.LastError().toStdString(), expected);
    }
}

// A frame whose main data begins in bytes the decoder never saw (the start of a stream cut
// in the middle, or a decoder reset without the frames before) gives silence.
TEST(DecoderRobustness, ReservoirShortGivesSilence) {
    const std::string path = CorpusPath("iso-mpeg/l3-sin1k0db.bit");
    if (!FileExists(path)) GTEST_SKIP() << "conformance corpus absent";
    TDecoded all = DecodeFile(path);
    ASSERT_GT(all.Frames, 10);
    const size_t frame = size_t(all.FrameValues[0]);
    // every frame refers 461 bytes back: the first two have nothing there
    EXPECT_TRUE(AllZero(all.Pcm.data(), 2 * frame));
    EXPECT_FALSE(AllZero(all.Pcm.data() + 2 * frame, frame));
    // a reset in the middle of the stream: silence again until the reservoir has refilled
    TFrameLoader loader(QString::fromStdString(path), false);
    loader.Scan(false);
    TMpDec dec;
    ASSERT_TRUE(dec.Open(&loader));
    ASSERT_TRUE(loader.LoadFrame(100));
    dec.Layer->Reset();
    std::vector<int16_t> out(frame);
    dec.DecodeFrame(out.data());
    EXPECT_TRUE(AllZero(out.data(), frame));
}

TEST(DecoderRobustness, Layer3DecoderRefusesOtherLayers) {
    const std::string path = CorpusPath("iso-mpeg/l2-fl10.bit");
    if (!FileExists(path)) GTEST_SKIP() << "conformance corpus absent";
    TFrameLoader loader(QString::fromStdString(path), false);
    TL3Dec l3(&loader);
    EXPECT_FALSE(l3.Setup(0, 24000, 0));
    EXPECT_EQ(l3.LastError().toStdString(), "Try to decode Another layer than Layer 3");
    EXPECT_EQ(l3.FrameBytes(), 0);
    auto l2 = CreateLayerDecoder(1, &loader);
    ASSERT_TRUE(l2);
    EXPECT_TRUE(l2->Setup(0, 24000, 0));
    EXPECT_FALSE(CreateLayerDecoder(3, &loader));
}

// The output format is fixed by the first frame: a stream whose frames change between mono
// and stereo fills every frame with the first frame's channel count.
TEST(DecoderRobustness, ChannelCountChangesKeepTheFirstFramesLayout) {
    const std::string base = CorpusPath("iso-mpeg/l3-he_mode");
    if (!FileExists(base + ".bit")) GTEST_SKIP() << "conformance corpus absent";
    TDecoded fixed = DecodeFile(base + ".bit");
    std::vector<int16_t> ref = ReadPcm16(base + ".pcm");
    ASSERT_EQ(fixed.Frames, 128);
    ASSERT_EQ(fixed.Channels, 1);
    ASSERT_EQ(fixed.Pcm.size(), size_t(128 * 1152));
    // joint stereo frames 40..99 (away from the switches) come out as the mean of both channels
    size_t refPos = 10 * 1152 + 30 * 2304;
    int maxDiff = 0;
    for (int f = 40; f < 100; ++f) {
        refPos = 10 * 1152 + size_t(f - 10) * 2304;
        for (int i = 0; i < 1152; ++i) {
            int mean = (int(ref[refPos + 2 * i]) + int(ref[refPos + 2 * i + 1])) / 2;
            maxDiff = std::max(maxDiff, std::abs(mean - int(fixed.Pcm[size_t(f) * 1152 + i])));
        }
    }
    EXPECT_LE(maxDiff, 2);
}

TEST(DecoderFront, SeekRebuildsLayer3StateFromEarlierFrames) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    const std::string path = EncodedFile("seek.mp3", "libmp3lame", 44100, 2, 128);
    ASSERT_FALSE(path.empty());
    TDecoded all = DecodeFile(path);
    ASSERT_GT(all.Frames, 60);
    TFrameLoader loader(QString::fromStdString(path), false);
    loader.Scan(false);
    TMpDec dec;
    ASSERT_TRUE(dec.Open(&loader));
    const size_t frame = size_t(dec.FrameBytes()) / 2;
    std::vector<int16_t> out(frame);
    for (int target : {50, 20, 0, 60}) {
        ASSERT_TRUE(dec.SeekToFrame(target));
        EXPECT_EQ(loader.CurrentIndex, std::max(target - 1, 0));
        ASSERT_TRUE(loader.LoadFrame(target));
        ASSERT_TRUE(dec.DecodeFrame(out.data()));
        TDiff d = Compare(out.data(), all.Pcm.data() + size_t(target) * frame, frame);
        EXPECT_EQ(d.MaxLsb, 0) << "frame " << target;
    }
}

TEST(DecoderFront, EightBitOutputFlag) {
    const std::string path = CorpusPath("iso-mpeg/l2-fl10.bit");
    if (!FileExists(path)) GTEST_SKIP() << "conformance corpus absent";
    TDecoded wide = DecodeFile(path);
    TFrameLoader loader(QString::fromStdString(path), false);
    auto l2 = CreateLayerDecoder(1, &loader);
    ASSERT_TRUE(l2->Setup(0, 24000, 8));
    const int bytes = l2->FrameBytes();
    ASSERT_EQ(size_t(bytes), size_t(wide.FrameValues[0]));
    std::vector<uint8_t> out(static_cast<size_t>(bytes), 0);
    l2->DecodeFrame(out.data());
    for (int i = 0; i < bytes; ++i)
        ASSERT_EQ(out[size_t(i)], uint8_t((wide.Pcm[size_t(i)] >> 8) + 128)) << i;
}

namespace {

// Overwrites `count` bits of the frame buffer at bit position `pos` (MSB first).
void PutBits(uint8_t* data, int pos, int count, uint32_t value) {
    for (int i = 0; i < count; ++i, ++pos) {
        const int bit = (value >> (count - 1 - i)) & 1;
        uint8_t mask = uint8_t(0x80 >> (pos & 7));
        data[pos >> 3] = bit ? uint8_t(data[pos >> 3] | mask) : uint8_t(data[pos >> 3] & ~mask);
    }
}

// Side information of MPEG-1 stereo frames: 20 bits of header fields, then 59 bits per
// granule and channel starting with part2_3_length.
constexpr int kSideStart = 20;
constexpr int kGranuleBits = 59;

} // namespace

TEST(DecoderDiagnostics, GranuleLongerThanTheMainDataZeroesTheFrame) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    const std::string path = EncodedFile("diag-overrun.mp3", "libmp3lame", 44100, 2, 128);
    ASSERT_FALSE(path.empty());
    TFrameLoader loader(QString::fromStdString(path), false);
    loader.Scan(false);
    TMpDec dec;
    ASSERT_TRUE(dec.Open(&loader));
    ASSERT_TRUE(dec.SeekToFrame(30));
    ASSERT_TRUE(loader.LoadFrame(30));
    for (int g = 0; g < 4; ++g)
        PutBits(loader.FrameData, kSideStart + g * kGranuleBits, 12, 4095);
    std::vector<int16_t> out(size_t(dec.FrameBytes()) / 2);
    dec.DecodeFrame(out.data());
    EXPECT_EQ(dec.LastError().toStdString(), "MPL3 Frame #30 : Data overrun. Frame is zeroed");
    // what is left is the previous frame's overlap and the synthesis filter's memory of 16
    // time slots: the last two slots of the frame (64 samples of each channel) are silent
    const size_t tail = 64 * 2;
    EXPECT_TRUE(AllZero(out.data() + out.size() - tail, tail));
    // the next frame decodes again
    ASSERT_TRUE(loader.NextFrame());
    dec.DecodeFrame(out.data());
    EXPECT_EQ(dec.LastError().toStdString(), "MPL3 Frame #30 : Data overrun. Frame is zeroed");
    EXPECT_FALSE(AllZero(out.data() + out.size() - tail, tail));
}

TEST(DecoderDiagnostics, MissingHuffmanTableIsReported) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    const std::string path = EncodedFile("diag-table.mp3", "libmp3lame", 44100, 2, 128);
    ASSERT_FALSE(path.empty());
    TFrameLoader loader(QString::fromStdString(path), false);
    loader.Scan(false);
    TMpDec dec;
    ASSERT_TRUE(dec.Open(&loader));
    ASSERT_TRUE(dec.SeekToFrame(40));
    ASSERT_TRUE(loader.LoadFrame(40));
    // first granule, left channel: big values present, long block, region 0 coded with the
    // table number the standard leaves out (4)
    const int g0 = kSideStart;
    PutBits(loader.FrameData, g0 + 12, 9, 100); // big_values
    PutBits(loader.FrameData, g0 + 33, 1, 0);   // no window switching
    PutBits(loader.FrameData, g0 + 34, 5, 4);   // table_select[0]
    PutBits(loader.FrameData, g0 + 49, 4, 15);  // region0_count: region 0 covers the pairs
    std::vector<int16_t> out(size_t(dec.FrameBytes()) / 2);
    dec.DecodeFrame(out.data());
    EXPECT_EQ(dec.LastError().toStdString(),
              "MPL3 Frame #40 : Bad huffmann data in no linbits decoding");
}

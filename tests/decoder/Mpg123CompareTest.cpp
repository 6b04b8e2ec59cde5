// Files made by real encoders decode like libmpg123 decodes them.

#include "DecoderTestUtil.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#ifdef SONVALE_HAVE_MPG123
#include <mpg123.h>
#endif

using namespace dectest;

namespace {

#ifdef SONVALE_HAVE_MPG123
std::vector<int16_t> DecodeWithMpg123(const std::string& path) {
    std::vector<int16_t> pcm;
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh) return pcm;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // every frame's samples, without encoder delay trimming
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(mh);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(mh, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(mh, path.c_str()) == MPG123_OK) {
        std::vector<unsigned char> buf(65536);
        for (;;) {
            size_t done = 0;
            int r = mpg123_read(mh, buf.data(), buf.size(), &done);
            const auto* s = reinterpret_cast<const int16_t*>(buf.data());
            pcm.insert(pcm.end(), s, s + done / 2);
            if (r == MPG123_NEW_FORMAT || r == MPG123_OK) continue;
            break;
        }
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    return pcm;
}
#endif

struct TEncoding {
    const char* Codec;
    int Rate;
    int Channels;
    int Kbps;
    bool Joint;
};

std::string NameOf(const TEncoding& e) {
    return std::string(e.Codec == std::string("mp2") ? "mp2" : "mp3") + "_" +
           std::to_string(e.Rate) + "_" +
           (e.Channels == 1 ? "mono"
            : e.Joint       ? "joint"
                            : "stereo") +
           "_" + std::to_string(e.Kbps);
}

void PrintTo(const TEncoding& e, std::ostream* os) {
    *os << NameOf(e);
}

} // namespace

class AgainstMpg123 : public ::testing::TestWithParam<TEncoding> {};

TEST_P(AgainstMpg123, WithinOneLsbRms) {
#ifndef SONVALE_HAVE_MPG123
    GTEST_SKIP() << "libmpg123 not available";
#else
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    const TEncoding& e = GetParam();
    const std::string path =
        TempDir() + "/" + NameOf(e) + (e.Codec == std::string("mp2") ? ".mp2" : ".mp3");
    ASSERT_TRUE(EncodeTestFile(path, e.Codec, e.Rate, e.Channels, e.Kbps, 2.0, e.Joint));
    TDecoded ours = DecodeFile(path);
    std::vector<int16_t> theirs = DecodeWithMpg123(path);
    ASSERT_GT(ours.Frames, 10);
    EXPECT_EQ(ours.SampleRate, e.Rate);
    EXPECT_EQ(ours.Channels, e.Channels);
    // same frames, same samples: the lengths agree
    EXPECT_EQ(ours.Pcm.size(), theirs.size());
    const size_t n = std::min(ours.Pcm.size(), theirs.size());
    TDiff d = Compare(ours.Pcm.data(), theirs.data(), n);
    std::printf("%-26s vs libmpg123: RMS %.4f LSB, max %d LSB over %zu values\n", NameOf(e).c_str(),
                d.RmsLsb, d.MaxLsb, d.Compared);
    EXPECT_LE(d.RmsLsb, 1.0);
    EXPECT_GT(n, size_t(e.Rate));
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, AgainstMpg123,
    ::testing::Values(
        TEncoding{"libmp3lame", 8000, 1, 32, false}, TEncoding{"libmp3lame", 11025, 2, 48, true},
        TEncoding{"libmp3lame", 12000, 1, 32, false}, TEncoding{"libmp3lame", 16000, 2, 64, false},
        TEncoding{"libmp3lame", 22050, 2, 96, true}, TEncoding{"libmp3lame", 24000, 1, 64, false},
        TEncoding{"libmp3lame", 32000, 2, 128, true}, TEncoding{"libmp3lame", 44100, 2, 320, true},
        TEncoding{"libmp3lame", 44100, 2, 128, false}, TEncoding{"libmp3lame", 44100, 1, 96, false},
        TEncoding{"libmp3lame", 48000, 2, 192, true}, TEncoding{"mp2", 44100, 2, 256, false},
        TEncoding{"mp2", 48000, 1, 128, false}, TEncoding{"mp2", 32000, 2, 192, false},
        TEncoding{"mp2", 24000, 2, 96, false}, TEncoding{"mp2", 16000, 1, 48, false}),
    [](const auto& info) { return NameOf(info.param); });

// ---- mid/side and intensity stereo together at half sample rates ------------------------

// No encoder at hand writes intensity stereo, so a joint-stereo stream from lame (without the
// bit reservoir, so that every frame holds its own main data) is rewritten: mode extension 3,
// and the right channel's scale factors replaced by intensity positions of 3 bits each, its
// Huffman data kept. Below the right channel's last non-zero band the stream stays mid/side,
// above it the positions apply; 7 is the illegal position. Bands 20 (long) and 11 (short)
// get position 0 so that the top band's rule is the same for every decoder.
namespace {

class TBitCursor {
public:
    explicit TBitCursor(const uint8_t* data) : Data(data) {}
    uint32_t Get(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++Pos)
            v = (v << 1) | ((Data[Pos >> 3] >> (7 - (Pos & 7))) & 1);
        return v;
    }
    const uint8_t* Data;
    size_t Pos = 0;
};

struct TBitSink {
    std::vector<uint8_t> Bytes;
    size_t Pos = 0;
    void Put(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i, ++Pos) {
            if ((Pos >> 3) >= Bytes.size()) Bytes.push_back(0);
            if ((v >> i) & 1) Bytes[Pos >> 3] |= uint8_t(0x80 >> (Pos & 7));
        }
    }
};

struct TLsfChannel {
    uint32_t Part23, BigValues, GlobalGain, Sfc, WindowSwitching, BlockType, Mixed, Rest;
    int RestBits;
};

// Scale-factor bits of a channel coded without intensity stereo (MPEG-2 LSF).
int LsfPart2Bits(const TLsfChannel& c) {
    static const int kCounts[3][3][4] = {{{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
                                         {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
                                         {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}};
    const int sfc = int(c.Sfc);
    int slen[4] = {}, table = 0;
    if (sfc < 400) {
        slen[0] = (sfc >> 4) / 5, slen[1] = (sfc >> 4) % 5, slen[2] = (sfc & 15) >> 2;
        slen[3] = sfc & 3;
    } else if (sfc < 500) {
        slen[0] = ((sfc - 400) >> 2) / 5, slen[1] = ((sfc - 400) >> 2) % 5;
        slen[2] = (sfc - 400) & 3, table = 1;
    } else {
        slen[0] = (sfc - 500) / 3, slen[1] = (sfc - 500) % 3, table = 2;
    }
    const int block = c.WindowSwitching && c.BlockType == 2 ? (c.Mixed ? 2 : 1) : 0;
    int bits = 0;
    for (int i = 0; i < 4; ++i)
        bits += kCounts[table][block][i] * slen[i];
    return bits;
}

// Returns the number of frames rewritten; out receives the new stream.
int RewriteToMidSideIntensity(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    static const int kLsfKbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[2][3] = {{11025, 12000, 8000}, {22050, 24000, 16000}};
    int rewritten = 0;
    size_t pos = 0;
    while (pos + 21 <= in.size()) {
        const uint32_t h = uint32_t(in[pos]) << 24 | uint32_t(in[pos + 1]) << 16 |
                           uint32_t(in[pos + 2]) << 8 | in[pos + 3];
        // MPEG-2/2.5 layer III, joint stereo, no CRC
        if ((h & 0xFFE70000u) != 0xFFE30000u || ((h >> 19) & 1) || ((h >> 6) & 3) != 1) break;
        const int rate = kRates[(h >> 20) & 1][(h >> 10) & 3];
        const int bitrate = int((h >> 12) & 15);
        const size_t size = size_t(72 * kLsfKbps[bitrate] * 1000 / rate + ((h >> 9) & 1));
        if (bitrate == 0 || bitrate >= 14 || pos + size > in.size()) break;
        TBitCursor side(in.data() + pos + 4);
        if (side.Get(8) != 0) break; // main data must start in this frame
        side.Get(2);
        TLsfChannel ch[2];
        for (TLsfChannel& c : ch) {
            c.Part23 = side.Get(12), c.BigValues = side.Get(9), c.GlobalGain = side.Get(8);
            c.Sfc = side.Get(9), c.WindowSwitching = side.Get(1);
            c.BlockType = c.WindowSwitching ? side.Get(2) : 0;
            c.Mixed = c.WindowSwitching ? side.Get(1) : 0;
            c.RestBits = c.WindowSwitching ? 19 + 2 : 22 + 2;
            c.Rest = side.Get(c.RestBits);
        }
        const int part3 = int(ch[1].Part23) - LsfPart2Bits(ch[1]);
        if (part3 < 0) break;
        const int block = ch[1].WindowSwitching && ch[1].BlockType == 2 ? (ch[1].Mixed ? 2 : 1) : 0;
        const int positions = block == 0 ? 21 : block == 1 ? 36 : 33;
        const int topBelow = block == 0 ? 20 : positions - 3; // band 20, or short band 11
        TBitSink main;
        TBitCursor md(in.data() + pos + 21);
        for (uint32_t i = 0; i < ch[0].Part23; ++i)
            main.Put(md.Get(1), 1);
        md.Get(int(ch[1].Part23) - part3);
        for (int k = 0; k < positions; ++k)
            main.Put(k >= topBelow && k < topBelow + (block ? 3 : 1) ? 0 : (5 * k + rewritten) % 8,
                     3);
        for (int i = 0; i < part3; ++i)
            main.Put(md.Get(1), 1);
        ch[1].Part23 = uint32_t(positions * 3 + part3);
        ch[1].Sfc = (129u << 1) | uint32_t(rewritten & 1); // slen 3, 3, 3; both intensity scales

        // one bit-rate step up makes room for the positions; no padding
        const uint32_t nh = (h & ~0xF230u) | uint32_t(bitrate + 1) << 12 | 0x30u;
        const size_t newSize = size_t(72 * kLsfKbps[bitrate + 1] * 1000 / rate);
        TBitSink frame;
        frame.Put(nh, 32);
        frame.Put(0, 10);
        for (const TLsfChannel& c : ch) {
            frame.Put(c.Part23, 12), frame.Put(c.BigValues, 9), frame.Put(c.GlobalGain, 8);
            frame.Put(c.Sfc, 9), frame.Put(c.WindowSwitching, 1);
            if (c.WindowSwitching) frame.Put(c.BlockType, 2), frame.Put(c.Mixed, 1);
            frame.Put(c.Rest, c.RestBits);
        }
        frame.Bytes.insert(frame.Bytes.end(), main.Bytes.begin(), main.Bytes.end());
        if (frame.Bytes.size() > newSize) break;
        frame.Bytes.resize(newSize, 0);
        out.insert(out.end(), frame.Bytes.begin(), frame.Bytes.end());
        pos += size;
        ++rewritten;
    }
    return rewritten;
}

} // namespace

class MidSideIntensity : public ::testing::TestWithParam<int> {};

TEST_P(MidSideIntensity, DecodesLikeMpg123) {
#ifndef SONVALE_HAVE_MPG123
    GTEST_SKIP() << "libmpg123 not available";
#else
    if (QStandardPaths::findExecutable("lame").isEmpty()) GTEST_SKIP() << "lame not available";
    const int rate = GetParam();
    const std::string base = TempDir() + "/msis_" + std::to_string(rate);
    {
        // two seconds of two tones with noise and a level step, different per channel
        std::ofstream raw(base + ".raw", std::ios::binary);
        uint32_t seed = 1;
        for (int i = 0; i < 2 * rate; ++i) {
            const double t = double(i) / rate;
            seed = seed * 1664525u + 1013904223u;
            const double noise = double(int32_t(seed) >> 16) / 32768.0;
            const double l =
                0.5 * std::sin(2 * M_PI * 440 * t) * (t > 1 ? 1.0 : 0.3) + 0.05 * noise;
            const double r = 0.4 * std::sin(2 * M_PI * 660 * t) +
                             0.3 * std::sin(2 * M_PI * 440 * t) + 0.08 * noise;
            for (double v : {l, r}) {
                const int16_t s = int16_t(std::lround(v * 20000));
                raw.write(reinterpret_cast<const char*>(&s), 2);
            }
        }
    }
    QProcess lame;
    lame.start("lame",
               {"--quiet", "-r", "-s", QString::number(rate / 1000.0), "--signed", "--bitwidth",
                "16", "--little-endian", "--resample", QString::number(rate / 1000.0), "-m", "j",
                "-b", "32", "--nores", "-t", QString::fromStdString(base + ".raw"),
                QString::fromStdString(base + ".mp3")});
    ASSERT_TRUE(lame.waitForFinished(60000) && lame.exitCode() == 0);
    std::vector<uint8_t> stream;
    const int frames = RewriteToMidSideIntensity(ReadAll(base + ".mp3"), stream);
    ASSERT_GT(frames, 2 * rate / 576 - 4);
    const std::string path = base + "_ms_is.mp3";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));

    TDecoded ours = DecodeFile(path);
    std::vector<int16_t> theirs = DecodeWithMpg123(path);
    ASSERT_EQ(ours.Frames, frames);
    ASSERT_EQ(ours.Pcm.size(), theirs.size());
    TDiff d = Compare(ours.Pcm.data(), theirs.data(), theirs.size());
    std::printf("mid/side + intensity %5d Hz vs libmpg123: RMS %.4f LSB, max %d LSB\n", rate,
                d.RmsLsb, d.MaxLsb);
    EXPECT_LT(d.RmsLsb, 0.3);
    EXPECT_LE(d.MaxLsb, 2);
#endif
}

INSTANTIATE_TEST_SUITE_P(HalfRates, MidSideIntensity, ::testing::Values(22050, 24000, 16000, 11025),
                         [](const auto& info) { return std::to_string(info.param); });

// Files made by real encoders decode like libmpg123 decodes them.

#include "DecoderTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>

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

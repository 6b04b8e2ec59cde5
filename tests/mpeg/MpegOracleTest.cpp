// Files made by real encoders, read by the MPEG reader and compared with what
// ffprobe and mutagen report for the same files.
#include "MpegTestUtil.h"
#include "audio/AudioFile.h"
#include "audio/MpegAudioFile.h"
#include "tags/TagSelect.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mpegtest;

namespace {

struct TEncoding {
    const char* name;
    const char* tool; // "ffmpeg", "lame" or "twolame"
    int rate;
    int channels;
    QStringList args; // encoder options
    bool vbrHeader;   // a Xing/Info header is expected
};

std::vector<TEncoding> Encodings() {
    const QStringList lame{"-c:a", "libmp3lame"};
    return {
        {"cbr128_44k_stereo", "ffmpeg", 44100, 2, lame + QStringList{"-b:a", "128k"}, true},
        {"vbr_q4_44k_stereo", "ffmpeg", 44100, 2, lame + QStringList{"-q:a", "4"}, true},
        {"abr96_48k_stereo", "ffmpeg", 48000, 2, lame + QStringList{"-abr", "1", "-b:a", "96k"},
         true},
        {"cbr64_32k_mono", "ffmpeg", 32000, 1, lame + QStringList{"-b:a", "64k"}, true},
        {"cbr_noxing_44k", "ffmpeg", 44100, 2,
         lame + QStringList{"-b:a", "160k", "-write_xing", "0"}, false},
        {"mpeg2_cbr32_22k_mono", "ffmpeg", 22050, 1, lame + QStringList{"-b:a", "32k"}, true},
        {"mpeg2_vbr_24k_stereo", "ffmpeg", 24000, 2, lame + QStringList{"-q:a", "5"}, true},
        {"mpeg2_cbr_16k_noxing", "ffmpeg", 16000, 2,
         lame + QStringList{"-b:a", "48k", "-write_xing", "0"}, false},
        {"mpeg25_cbr16_11k_mono", "ffmpeg", 11025, 1, lame + QStringList{"-b:a", "16k"}, true},
        {"mpeg25_cbr24_11k_noxing", "ffmpeg", 11025, 2,
         lame + QStringList{"-b:a", "24k", "-write_xing", "0"}, false},
        {"mpeg25_vbr_12k_stereo", "ffmpeg", 12000, 2, lame + QStringList{"-q:a", "6"}, true},
        {"mpeg25_cbr8_8k_mono", "ffmpeg", 8000, 1, lame + QStringList{"-b:a", "8k"}, true},
        {"mp2_192_44k_stereo", "ffmpeg", 44100, 2, {"-c:a", "mp2", "-b:a", "192k"}, false},
        {"mp2_64_48k_mono", "ffmpeg", 48000, 1, {"-c:a", "mp2", "-b:a", "64k"}, false},
        {"mp2_mpeg2_24k", "ffmpeg", 24000, 2, {"-c:a", "mp2", "-b:a", "64k"}, false},
        {"lame_v2", "lame", 44100, 2, {"-V", "2"}, true},
        {"lame_abr_mono", "lame", 44100, 1, {"--abr", "80", "-m", "m"}, true},
        {"lame_cbr_notag", "lame", 32000, 2, {"-t", "-b", "96"}, false},
        {"twolame_32k_mono", "twolame", 32000, 1, {"-m", "m", "-b", "64"}, false},
        {"twolame_crc_48k", "twolame", 48000, 2, {"-p", "-b", "256"}, false},
        {"twolame_padded_44k", "twolame", 44100, 2, {"-d", "-b", "224"}, false},
        {"twolame_mpeg2_22k", "twolame", 22050, 1, {"-m", "m", "-b", "48"}, false},
    };
}

void PrintTo(const TEncoding& e, std::ostream* os) {
    *os << e.name;
}

class MpegOracle : public ::testing::TestWithParam<TEncoding> {
protected:
    QTemporaryDir dir;

    static bool HaveTools(const TEncoding& e) {
        return HaveTool(e.tool) && HaveTool("ffmpeg") && HaveTool("ffprobe");
    }

    // Encodes 3.3 s of a tone; an empty name when the encoder failed.
    QString Make(const TEncoding& e) {
        const double seconds = 3.3;
        bool mp2 = e.args.contains("mp2") || QString(e.tool) == "twolame";
        QString out = dir.filePath(QString(e.name) + (mp2 ? ".mp2" : ".mp3"));
        if (QString(e.tool) == "ffmpeg")
            return FfmpegEncode(out, e.rate, e.channels, seconds, e.args) ? out : QString();
        QString wav = dir.filePath("src.wav");
        if (!FfmpegEncode(wav, e.rate, e.channels, seconds, {"-c:a", "pcm_s16le"})) return {};
        QStringList args;
        args << "--quiet";
        args += e.args;
        args << wav << out;
        return mpegtest::Run(e.tool, args) ? out : QString();
    }
};

} // namespace

TEST_P(MpegOracle, PropertiesAgreeWithFfprobeAndMutagen) {
    const TEncoding& e = GetParam();
    if (!HaveTools(e)) GTEST_SKIP() << "encoder not available";
    QString path = Make(e);
    ASSERT_FALSE(path.isEmpty()) << "encoding failed";
    TOracle probe = Ffprobe(path);
    ASSERT_TRUE(probe.ok);

    TAudioFile af;
    af.SetFileName(path);
    ASSERT_TRUE(af.Open());
    auto* r = dynamic_cast<TMpegAudioFile*>(af.Reader.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetFormatCode(), fcMpeg);
    EXPECT_EQ(r->GetSampleRate(), e.rate);
    EXPECT_EQ(r->GetSampleRate(), probe.rate);
    EXPECT_EQ(r->GetChannels(), e.channels);
    EXPECT_EQ(r->GetChannels(), probe.channels);
    EXPECT_EQ(r->GetBitsPerSample(), 16);
    EXPECT_EQ(r->Vbr.Present(), e.vbrHeader);

    const TMpegHeader& first = r->Loader->FirstHeader;
    const double frameSeconds = double(first.SamplesPerFrame()) / first.SampleRate();
    // Duration before the scan (VBR header or quick estimate), then exact.
    double before = af.GetDuration() * 86400.0;
    EXPECT_NEAR(before, probe.duration, frameSeconds) << "estimate";
    EXPECT_EQ(r->FrameBytes, first.SamplesPerFrame() * e.channels * 2);
    int64_t pcm = r->GetPcmSize();
    EXPECT_TRUE(r->Loader->ScanComplete);
    double after = af.GetDuration() * 86400.0;
    EXPECT_NEAR(after, probe.duration, frameSeconds) << "after scan";
    // Every audio frame once: the demuxer's packets.
    EXPECT_EQ(std::llround(double(pcm) / r->FrameBytes), probe.packets);

    if (e.vbrHeader) {
        TOracle mut = Mutagen(path);
        if (mut.ok) {
            // mutagen counts the audio bytes as this reader does (header frame
            // excluded); ffprobe includes it.
            EXPECT_NEAR(double(r->GetBitrate()), double(mut.bitrate), 1.0);
            EXPECT_EQ(r->GetSampleRate(), mut.rate);
            EXPECT_EQ(r->GetChannels(), mut.channels);
        }
        if (r->Vbr.Type == TVbrHeader::vkInfo) {
            // A constant bit rate: the average is the nominal rate.
            EXPECT_NEAR(double(r->GetBitrate()), double(probe.bitrate), probe.bitrate * 0.01);
            // The header frame itself may use a higher rate to hold the header.
            TMpegHeader second;
            TFrameStream fs(path);
            ASSERT_TRUE(second.ReadHeaderAt(fs, first.Position + first.FrameSize));
            EXPECT_NEAR(double(r->GetBitrate()), double(second.Bitrate()), second.Bitrate() * 0.01);
        } else {
            // ffprobe's figure counts the header frame's bytes as well.
            double withHeader =
                r->GetBitrate() + first.FrameSize * 8.0 / (af.GetDuration() * 86400.0);
            EXPECT_NEAR(withHeader, double(probe.bitrate), probe.bitrate * 0.01);
        }
    } else {
        EXPECT_EQ(r->GetBitrate(), probe.bitrate);
    }
}

TEST_P(MpegOracle, FramesFollowEachOtherWithoutGaps) {
    // The frame size formula of every version, layer and padding: an
    // encoder's stream is found frame after frame with nothing skipped.
    const TEncoding& e = GetParam();
    if (!HaveTools(e)) GTEST_SKIP() << "encoder not available";
    QString path = Make(e);
    ASSERT_FALSE(path.isEmpty()) << "encoding failed";
    TFrameLoader l(path, false);
    l.Scan(false);
    ASSERT_GT(l.FrameCount, 10);
    for (int i = 1; i < l.FrameCount; ++i)
        ASSERT_EQ(l.FrameOffsets[i], l.FrameOffsets[i - 1] + l.FrameSizes[i - 1]) << "frame " << i;
    TFrameStream s(path);
    int64_t end = l.FrameOffsets.back() + l.FrameSizes.back();
    const int64_t tags = ReadPreferredTags(path).TrailingTagsStart;
    EXPECT_EQ(end, tags >= 0 ? tags : s.Size());
}

INSTANTIATE_TEST_SUITE_P(Encoders, MpegOracle, ::testing::ValuesIn(Encodings()),
                         [](const ::testing::TestParamInfo<TEncoding>& i) {
                             return std::string(i.param.name);
                         });

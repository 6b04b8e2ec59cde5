// The MPEG reader's PCM operations and the command line deliver the decoder's output end to
// end: whole files in order, any read size, seeks into the middle of a layer III stream.

#include "DecoderTestUtil.h"

#include "audio/MpegAudioFile.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <random>

using namespace dectest;

namespace {

std::string CopyAs(const std::string& from, const std::string& name) {
    const std::string to = TempDir() + "/" + name;
    QFile::remove(QString::fromStdString(to));
    QFile::copy(QString::fromStdString(from), QString::fromStdString(to));
    return to;
}

std::vector<int16_t> ReadAllPcm(TMpegAudioFile& file, std::mt19937& rng) {
    std::vector<int16_t> pcm;
    std::vector<int16_t> buf(8192);
    for (;;) {
        int count = 4 * (1 + int(rng() % 2000)); // whole sample frames of varying size
        if (!file.Read(buf.data(), count)) break;
        pcm.insert(pcm.end(), buf.begin(), buf.begin() + count / 2);
    }
    return pcm;
}

} // namespace

TEST(ReaderDecode, ReadDeliversTheWholeStreamInOrder) {
    const std::string iso = CorpusPath("iso-mpeg/l3-compl.bit");
    if (!FileExists(iso)) GTEST_SKIP() << "conformance corpus absent";
    for (const char* name : {"l3-compl", "l2-fl10", "l1-fl2", "M2L3_compl24"}) {
        const std::string path = CopyAs(CorpusPath(std::string("iso-mpeg/") + name + ".bit"),
                                        std::string(name) + ".mp3");
        TDecoded direct = DecodeFile(path);
        TMpegAudioFile file(QString::fromStdString(path));
        std::mt19937 rng(7);
        std::vector<int16_t> pcm = ReadAllPcm(file, rng);
        EXPECT_EQ(pcm, direct.Pcm) << name;
        EXPECT_EQ(file.GetPosition(), int64_t(pcm.size()) * 2) << name;
    }
}

TEST(ReaderDecode, SeekLandsOnTheSameSamplesAsAContinuousRead) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not available";
    const std::string path = TempDir() + "/reader-seek.mp3";
    ASSERT_TRUE(EncodeTestFile(path, "libmp3lame", 44100, 2, 128, 4.0, true));
    TDecoded direct = DecodeFile(path);
    TMpegAudioFile file(QString::fromStdString(path));
    const int64_t total = int64_t(direct.Pcm.size()) * 2;
    std::mt19937 rng(11);
    std::vector<int16_t> buf(4096);
    for (int i = 0; i < 20; ++i) {
        const int64_t pos = int64_t(rng() % uint32_t(total - 8192)) & ~int64_t(3);
        file.Seek(pos);
        EXPECT_EQ(file.GetPosition(), pos);
        int count = 8192;
        ASSERT_TRUE(file.Read(buf.data(), count));
        ASSERT_EQ(count, 8192);
        for (int k = 0; k < count / 2; ++k)
            ASSERT_EQ(buf[size_t(k)], direct.Pcm[size_t(pos / 2 + k)]) << "seek to " << pos;
    }
}

TEST(ReaderDecode, CommandLineDecodeMatchesTheReference) {
    const std::string iso = CorpusPath("iso-mpeg/l3-compl.bit");
    if (!FileExists(iso)) GTEST_SKIP() << "conformance corpus absent";
    const std::string in = CopyAs(iso, "cli-compl.mp3");
    const std::string out = TempDir() + "/cli-compl.raw";
    QProcess p;
    p.start(SONVALE_CLI_PATH, {"decode", QString::fromStdString(in), QString::fromStdString(out)});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<int16_t> pcm = ReadPcm16(out);
    std::vector<int16_t> ref = ReadPcm16(CorpusPath("iso-mpeg/l3-compl.pcm"));
    ASSERT_EQ(pcm.size(), ref.size());
    TDiff d = Compare(pcm.data(), ref.data(), ref.size());
    EXPECT_LT(d.RmsLsb, 0.2887);
    EXPECT_LE(d.MaxLsb, 2);
}

#include "audio/ApeFile.h"
#include "audio/AudioFile.h"
#include "audio/MpcFile.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using fixtures::ErrorOf;

// ffprobe's view of the first audio stream: key=value lines.
QMap<QString, QString> Probe(const QString& path) {
    QMap<QString, QString> m;
    QByteArray out;
    if (fixtures::RunProgram("ffprobe",
                             {"-v", "error", "-select_streams", "a:0", "-show_entries",
                              "stream=sample_rate,channels,duration_ts,duration", "-of",
                              "default=nw=1", path},
                             &out) != 0)
        return m;
    for (const QByteArray& line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) m[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
    }
    return m;
}

class MpcApe : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* n) { return dir.filePath(QString::fromLatin1(n)); }

    // A Musepack file made by the reference encoder from a sine WAVE.
    QString EncodeMpc(const char* name, int rate, int channels, double seconds,
                      const QStringList& extra = {}) {
        if (!fixtures::HaveProgram("mpcenc")) return QString();
        fixtures::EncodeOptions o;
        o.sampleRate = rate;
        o.channels = channels;
        o.seconds = seconds;
        const QString wav = Path("src.wav");
        const QString out = Path(name);
        if (!fixtures::WriteFile(wav,
                                 fixtures::MakeWave(rate, channels, 16, fixtures::SourcePcm(o))))
            return QString();
        QStringList args = {"--silent", "--overwrite"};
        args += extra;
        args += {wav, out};
        return fixtures::RunProgram("mpcenc", args) == 0 ? out : QString();
    }
};

// Musepack ------------------------------------------------------------------

TEST_F(MpcApe, MusepackFromEncoderAgreesWithFfprobeAndDecodesToItsLength) {
    struct Case {
        int rate, channels;
        double seconds;
    };
    for (const Case c : {Case{44100, 2, 1.3}, Case{48000, 1, 0.7}, Case{32000, 2, 2.0}}) {
        SCOPED_TRACE(c.rate);
        const QString p = EncodeMpc("a.mpc", c.rate, c.channels, c.seconds);
        if (p.isEmpty()) GTEST_SKIP() << "mpcenc not available";
        TMpcFile r(p);
        EXPECT_EQ(r.GetFormatCode(), fcMpc);
        EXPECT_TRUE(r.IsSource());
        EXPECT_EQ(r.Info.Version, 8);
        EXPECT_EQ(r.GetSampleRate(), c.rate);
        EXPECT_EQ(r.GetChannels(), c.channels);
        EXPECT_EQ(r.GetBitsPerSample(), 16);
        EXPECT_EQ(r.GetFileSize(), QFileInfo(p).size());
        // The encoder keeps the source length exactly.
        const int64_t frames = int64_t(std::llround(c.rate * c.seconds));
        EXPECT_EQ(r.GetPcmSize(), frames * 2 * c.channels);
        const double secs = r.GetDuration() * 86400.0;
        EXPECT_NEAR(secs, c.seconds, 0.001);
        // Bit rate = stream bytes over the duration; no tags here.
        EXPECT_NEAR(r.GetBitrate(), QFileInfo(p).size() * 8.0 / c.seconds, 200.0);

        const auto probe = Probe(p);
        if (!probe.isEmpty()) {
            EXPECT_EQ(probe.value("sample_rate").toInt(), c.rate);
            EXPECT_EQ(probe.value("channels").toInt(), c.channels);
            // FFmpeg's Musepack demuxer may leave the duration unknown (0).
            const double probed = probe.value("duration").toDouble();
            if (probed > 0) {
                EXPECT_NEAR(probed, secs, 1152.0 / c.rate);
            }
        }

        const auto pcm = fixtures::ReadAllPcm16(r, 10000);
        EXPECT_NEAR(double(pcm.size() * 2), double(r.GetPcmSize()), 1152.0 * 2 * c.channels);
        EXPECT_EQ(r.GetPosition(), int64_t(pcm.size() * 2));
        std::vector<int16_t> ref;
        ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ref));
        ASSERT_GE(ref.size(), pcm.size());
        // FFmpeg hands out whole frames, the padding after the last sample included.
        EXPECT_GE(int64_t(ref.size() * 2), r.GetPcmSize());
        EXPECT_LT(int64_t(ref.size() * 2), r.GetPcmSize() + 2 * 1152 * 2 * c.channels);
        EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), ref.begin()));

        // Seek lands on the same samples as a plain read.
        const int64_t target = (pcm.size() / 3) * 2 + 1; // odd: rounded down to a frame
        r.Seek(target);
        const int64_t aligned = target - target % (2 * c.channels);
        EXPECT_EQ(r.GetPosition(), aligned);
        std::vector<int16_t> part(256);
        int count = int(part.size() * 2);
        ASSERT_TRUE(r.Read(part.data(), count));
        EXPECT_TRUE(std::equal(part.begin(), part.begin() + count / 2, pcm.begin() + aligned / 2));
    }
}

TEST_F(MpcApe, MusepackTagsApeAndLeadingId3v2) {
    const QString p =
        EncodeMpc("t.mpc", 44100, 2, 0.5, {"--artist", "Ärtist ☃", "--title", "Song"});
    if (p.isEmpty()) GTEST_SKIP() << "mpcenc not available";
    {
        TMpcFile r(p);
        EXPECT_EQ(r.TagKinds, tkApeV2);
        EXPECT_EQ(r.GetTagValue("ARTIST"), QString::fromUtf8("Ärtist ☃"));
        EXPECT_EQ(r.GetTagValue("TITLE"), "Song");
        EXPECT_EQ(r.AudioStart, 0);
        // The tag is not counted as stream bytes.
        EXPECT_LT(r.GetBitrate(), QFileInfo(p).size() * 8.0 / 0.5);
    }
    // An ID3v2.3 tag with a title frame in front of the same stream.
    QByteArray frame("TIT2");
    const QByteArray text = QByteArray(1, '\0') + "Front";
    fixtures::PutBE32(frame, uint32_t(text.size()));
    frame += QByteArray(2, '\0') + text;
    const QByteArray body = frame + QByteArray(20, '\0'); // padding
    QByteArray tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag += char((body.size() >> shift) & 0x7F);
    tag += body;
    const QString q = Path("id3.mpc");
    ASSERT_TRUE(fixtures::WriteFile(q, tag + fixtures::ReadFile(p)));
    TMpcFile r(q);
    EXPECT_EQ(r.AudioStart, tag.size());
    EXPECT_EQ(r.Info.HeaderPosition, tag.size());
    EXPECT_EQ(r.TagKinds, tkApeV2 | tkId3v2);
    EXPECT_EQ(r.GetTagValue("TITLE"), "Song"); // APEv2 wins
    EXPECT_EQ(r.GetSampleRate(), 44100);
    EXPECT_EQ(r.GetPcmSize(), 22050 * 4);
}

TEST_F(MpcApe, MusepackCorpusHeaders) {
    const QString corpus = fixtures::CorpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
    const QString t = corpus + "/taglib/";
    {
        TMpcFile r(t + "sv8_header.mpc");
        EXPECT_EQ(r.Info.Version, 8);
        EXPECT_EQ(r.GetSampleRate(), 44100);
        EXPECT_EQ(r.GetChannels(), 2);
        EXPECT_EQ(r.GetPcmSize(), 66014 * 4);
    }
    {
        // SV7, true gapless: three frames, 413 samples in the last.
        TMpcFile r(t + "click.mpc");
        EXPECT_EQ(r.Info.Version, 7);
        EXPECT_EQ(r.GetSampleRate(), 44100);
        EXPECT_EQ(r.GetChannels(), 2);
        EXPECT_EQ(r.GetPcmSize(), (2 * 1152 + 413) * 4);
        EXPECT_EQ(r.TagKinds, 0);
        // Decoding stops at the announced length.
        EXPECT_EQ(int64_t(fixtures::ReadAllBytes(r, 1000).size()), r.GetPcmSize());
    }
    for (const char* old : {"sv5_header.mpc", "sv4_header.mpc"}) {
        TMpcFile r(t + old);
        EXPECT_EQ(r.Info.Version, QString(old).mid(2, 1).toInt());
        EXPECT_EQ(r.GetPcmSize(), int64_t(1162944) * 4);
        EXPECT_NEAR(r.GetDuration() * 86400.0, 26.371, 0.001);
    }
}

TEST_F(MpcApe, MusepackHostileFilesGiveTheMessageNeverACrash) {
    auto expectRefused = [&](const QString& p) {
        EXPECT_EQ(ErrorOf([&] { TMpcFile r(p); }),
                  QStringLiteral("\"%1\" is not a MPC bitstream").arg(p));
    };
    const QString corpus = fixtures::CorpusDir();
    if (!corpus.isEmpty()) {
        // zerodiv has a reserved sample-rate code, infloop an endless size,
        // segfault a header packet too short for its fields, segfault2 stops after the key.
        for (const char* n : {"zerodiv.mpc", "infloop.mpc", "segfault.mpc", "segfault2.mpc"})
            expectRefused(corpus + "/taglib/" + n);
        expectRefused(corpus + "/mutagen/almostempty.mpc");
    }
    // Byte-built SV8 streams.
    auto sv8 = [](QByteArray sh) {
        QByteArray f("MPCKSH");
        f += char(sh.size() + 3);
        return f + sh;
    };
    const QByteArray good = QByteArray("\0\0\0\0\x08", 5) + "\x10" + '\0' + "\x05\x19";
    const QString p = Path("x.mpc");
    ASSERT_TRUE(fixtures::WriteFile(p, sv8(good)));
    EXPECT_EQ(TMpcFile(p).GetPcmSize(), 16 * 4);
    for (const QByteArray& bad : {
             sv8(good).left(10),                 // truncated
             QByteArray("MPCKSH\x7f", 7) + good, // size beyond file
             QByteArray("MPCKSH\x01", 7) + good, // size below its own bytes
             sv8(QByteArray("\0\0\0\0\x07", 5) + "\x10" + '\0' + "\x05\x19"),   // version 7 in SV8
             sv8(QByteArray("\0\0\0\0\x08", 5) + "\x10" + "\x11" + "\x05\x19"), // silence > length
             QByteArray("MPCKAP\x03SH\x0c", 10) + good, // audio before header
             QByteArray("MPCKS", 5),
             QByteArray("MP+", 3),
             QByteArray(),
         }) {
        ASSERT_TRUE(fixtures::WriteFile(p, bad));
        expectRefused(p);
    }
}

// Monkey's Audio --------------------------------------------------------------

// A 3.99-style descriptor (52 bytes) and header (24 bytes).
QByteArray ApeNew(int version, int bits, int channels, uint32_t rate, uint32_t blocksPerFrame,
                  uint32_t finalBlocks, uint32_t frames, uint32_t descriptorBytes = 52) {
    QByteArray b("MAC ");
    fixtures::PutLE16(b, uint16_t(version));
    fixtures::PutLE16(b, 0);
    fixtures::PutLE32(b, descriptorBytes);
    fixtures::PutLE32(b, 24);
    b += QByteArray(52 - b.size(), '\0');
    fixtures::PutLE16(b, 2000);
    fixtures::PutLE16(b, 0);
    fixtures::PutLE32(b, blocksPerFrame);
    fixtures::PutLE32(b, finalBlocks);
    fixtures::PutLE32(b, frames);
    fixtures::PutLE16(b, uint16_t(bits));
    fixtures::PutLE16(b, uint16_t(channels));
    fixtures::PutLE32(b, rate);
    return b;
}

// The header layout before 3.98 (32 bytes).
QByteArray ApeOld(int version, int compression, int flags, int channels, uint32_t rate,
                  uint32_t frames, uint32_t finalBlocks) {
    QByteArray b("MAC ");
    fixtures::PutLE16(b, uint16_t(version));
    fixtures::PutLE16(b, uint16_t(compression));
    fixtures::PutLE16(b, uint16_t(flags));
    fixtures::PutLE16(b, uint16_t(channels));
    fixtures::PutLE32(b, rate);
    fixtures::PutLE32(b, 0);
    fixtures::PutLE32(b, 0);
    fixtures::PutLE32(b, frames);
    fixtures::PutLE32(b, finalBlocks);
    return b;
}

TEST_F(MpcApe, ApeHeaderLayouts) {
    // New layout: every field from the header, block bytes from bits and channels.
    TApeInfo i = ParseApeHeader(ApeNew(3990, 24, 1, 96000, 73728, 100, 3), 1000);
    ASSERT_TRUE(i.Valid);
    EXPECT_EQ(i.BitsPerSample, 24);
    EXPECT_EQ(i.Channels, 1);
    EXPECT_EQ(i.SampleRate, 96000);
    EXPECT_EQ(i.TotalBlocks, 2 * 73728 + 100);
    EXPECT_EQ(i.CompressedSize, 1000);
    EXPECT_EQ(i.AverageBitrate, std::lround(1000 * 8.0 * 96000 / (2 * 73728 + 100)));
    // A descriptor longer than the known part moves the header.
    QByteArray longer = ApeNew(3990, 16, 2, 44100, 1000, 10, 2, 60);
    longer.insert(52, QByteArray(8, '\0'));
    EXPECT_EQ(ParseApeHeader(longer, 100).TotalBlocks, 1010);

    // Old layout: frame length by version and compression, bits by flags.
    struct Old {
        int version, compression, flags;
        int64_t blocksPerFrame;
        int bits;
    };
    for (const Old o : {Old{3970, 2000, 0, 294912, 16}, Old{3900, 2000, 1, 73728, 8},
                        Old{3800, 4000, 8, 73728, 24}, Old{3800, 3000, 0, 9216, 16}}) {
        const TApeInfo h =
            ParseApeHeader(ApeOld(o.version, o.compression, o.flags, 2, 44100, 4, 5), 0);
        ASSERT_TRUE(h.Valid) << o.version;
        EXPECT_EQ(h.TotalBlocks, 3 * o.blocksPerFrame + 5) << o.version;
        EXPECT_EQ(h.BitsPerSample, o.bits) << o.version;
        EXPECT_EQ(h.AverageBitrate, 0); // an empty file
    }
    EXPECT_EQ(ParseApeHeader(ApeOld(3990 - 100, 1000, 0, 2, 44100, 0, 0), 10).TotalBlocks, 0);

    // Damaged headers: no audio, no division by zero.
    for (const QByteArray& bad : {
             ApeNew(3990, 16, 0, 44100, 100, 10, 2),       // no channels
             ApeNew(3990, 12, 2, 44100, 100, 10, 2),       // odd sample width
             ApeNew(3990, 16, 2, 0, 100, 10, 2),           // no rate
             ApeNew(3990, 16, 2, 44100, 100, 101, 2),      // last frame longer than a frame
             ApeNew(3990, 16, 2, 44100, 0, 0, 2),          // empty frames
             ApeNew(3990, 16, 2, 44100, 100, 10, 2, 5000), // header beyond the bytes
             ApeNew(3990, 16, 2, 44100, 100, 10, 2).left(70),
             ApeOld(3960, 2000, 0, 8192, 44100, 1, 1),
             ApeNew(3990, 16, 2, 44100, 0xFFFFFFFF, 10, 0xFFFFFFFF), // frame length overflows
             QByteArray("MAC "),
         })
        EXPECT_FALSE(ParseApeHeader(bad, 100).Valid);
    // The largest counts a header can hold still give a positive PCM size.
    const QString big = dir.filePath("big.ape");
    ASSERT_TRUE(fixtures::WriteFile(
        big, ApeNew(3990, 32, 32, 384000, 1179648 * 2, 1179648 * 2, 0xFFFFFFFF)));
    TApeFile r(big);
    EXPECT_EQ(r.GetInfo(1016), int64_t(0xFFFFFFFF) * 1179648 * 2);
    EXPECT_EQ(r.GetPcmSize(), r.GetInfo(1016) * 128);
    EXPECT_GT(r.GetDuration(), 0.0);
}

TEST_F(MpcApe, ApeCorpusFilesAgreeWithFfprobeAndFfmpeg) {
    const QString corpus = fixtures::CorpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
    const QString t = corpus + "/taglib/";
    {
        TApeFile r(t + "mac-399.ape");
        EXPECT_EQ(r.GetFormatCode(), fcApe);
        EXPECT_TRUE(r.IsSource());
        EXPECT_EQ(r.GetSampleRate(), 44100);
        EXPECT_EQ(r.GetChannels(), 2);
        EXPECT_EQ(r.GetBitsPerSample(), 16);
        EXPECT_EQ(r.GetInfo(1016), 156556);
        EXPECT_EQ(r.GetPcmSize(), 156556 * 4);
        EXPECT_EQ(r.GetFileSize(), QFileInfo(t + "mac-399.ape").size());
        EXPECT_NEAR(r.GetBitrate(), 192025, 2);
        EXPECT_EQ(r.TagKinds, 0);
        const auto probe = Probe(t + "mac-399.ape");
        if (!probe.isEmpty()) {
            EXPECT_EQ(probe.value("duration_ts").toLongLong(), r.GetInfo(1016));
            EXPECT_EQ(probe.value("sample_rate").toInt(), r.GetSampleRate());
        }
        // Odd request sizes are cut to whole blocks.
        const auto bytes = fixtures::ReadAllBytes(r, 4099);
        EXPECT_EQ(int64_t(bytes.size()), r.GetPcmSize());
        EXPECT_EQ(r.GetPosition(), r.GetPcmSize());
        std::vector<int16_t> ref;
        ASSERT_TRUE(fixtures::DecodeWithFfmpeg(t + "mac-399.ape", ref));
        std::vector<int16_t> pcm(bytes.size() / 2);
        memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
        EXPECT_EQ(pcm, ref);

        r.Seek(100001 * 4 + 3);
        EXPECT_EQ(r.GetPosition(), 100001 * 4);
        int16_t s[8];
        int count = 15; // three whole blocks
        ASSERT_TRUE(r.Read(s, count));
        EXPECT_EQ(count, 12);
        EXPECT_TRUE(std::equal(s, s + 6, ref.begin() + 100001 * 2));
    }
    {
        TApeFile r(t + "mac-399-id3v2.ape");
        EXPECT_GT(r.AudioStart, 0);
        EXPECT_TRUE(r.TagKinds & tkId3v2);
        EXPECT_EQ(r.GetInfo(1016), 156556);
        // The same stream as mac-399.ape: the tag's bytes are no audio.
        EXPECT_NEAR(r.GetBitrate(), 192025, 2);
        EXPECT_EQ(r.GetFileSize(), QFileInfo(t + "mac-399-id3v2.ape").size());
    }
    {
        TApeFile r(t + "mac-399-tagged.ape");
        EXPECT_TRUE(r.TagKinds & tkApeV2);
        EXPECT_FALSE(r.Tags.isEmpty());
        EXPECT_EQ(r.GetInfo(1016), 156556);
        EXPECT_NEAR(r.GetBitrate(), 192025, 2);
    }
    {
        TApeFile r(t + "mac-396.ape");
        EXPECT_EQ(r.GetInfo(1016), 162496);
        TApeFile q(t + "mac-390-hdr.ape");
        EXPECT_EQ(q.GetInfo(1016), 689262);
        EXPECT_NEAR(q.GetDuration() * 86400.0, 15.63, 0.01);
    }
    // Fuzzed headers: a reader without audio, nothing read, nothing divided by zero.
    for (const char* n : {"zerodiv.ape", "longloop.ape"}) {
        TApeFile r(t + n);
        EXPECT_EQ(r.GetPcmSize(), 0) << n;
        EXPECT_EQ(r.GetDuration(), 0.0) << n;
        uint8_t buf[64];
        int count = sizeof buf;
        EXPECT_FALSE(r.Read(buf, count)) << n;
        EXPECT_EQ(count, 0);
        r.Seek(1000);
        EXPECT_EQ(r.GetPosition(), 0);
    }
}

TEST_F(MpcApe, ApeWithoutAHeaderIsRefused) {
    const QString p = Path("x.ape");
    for (const QByteArray& bytes : {QByteArray(), QByteArray(4096, '\0'), QByteArray("fLaC....")}) {
        ASSERT_TRUE(fixtures::WriteFile(p, bytes));
        EXPECT_EQ(ErrorOf([&] { TApeFile r(p); }),
                  QStringLiteral("Invalid Monkey's Audio file %1").arg(p));
    }
}

TEST_F(MpcApe, FactoryOpensBothFormats) {
    const QString p = Path("h.ape");
    ASSERT_TRUE(
        fixtures::WriteFile(p, QByteArray(10, 'x') + ApeNew(3990, 16, 2, 48000, 4608, 100, 2)));
    auto r = CreateReader(fcApe, p);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->GetSampleRate(), 48000);
    EXPECT_EQ(r->GetPcmSize(), (4608 + 100) * 4);
    const QString m = Path("h.mpc");
    ASSERT_TRUE(fixtures::WriteFile(m, QByteArray("garbage")));
    EXPECT_EQ(ErrorOf([&] { CreateReader(fcMpc, m); }),
              QStringLiteral("\"%1\" is not a MPC bitstream").arg(m));
}

} // namespace

// The WAVE reader: chunk walking, every refusal message, sizes and seeking,
// and the facade's life cycle on real files.
#include "audio/AudioFile.h"
#include "audio/AudioHelpers.h"
#include "audio/WavAudioFile.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using fixtures::Chunk;
using fixtures::PutLE16;
using fixtures::PutLE32;

namespace {

QByteArray Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int size = 16) {
    QByteArray b;
    PutLE16(b, tag);
    PutLE16(b, channels);
    PutLE32(b, rate);
    PutLE32(b, rate * channels * bits / 8);
    PutLE16(b, uint16_t(channels * bits / 8));
    PutLE16(b, bits);
    while (b.size() < size)
        b.append(char(0));
    return b;
}

QByteArray Riff(const QByteArray& chunks) {
    QByteArray b("RIFF");
    PutLE32(b, uint32_t(4 + chunks.size()));
    return b + "WAVE" + chunks;
}

QByteArray Ramp(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(i * 7));
    return b;
}

class WavTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString Put(const QByteArray& bytes, const QString& name = QStringLiteral("t.wav")) {
        QString p = tmp.filePath(name);
        EXPECT_TRUE(fixtures::WriteFile(p, bytes));
        return p;
    }
    QString Refusal(const QByteArray& bytes) {
        try {
            TWavAudioFile w(Put(bytes));
        } catch (const ESonvaleError& e) {
            return e.Message;
        }
        return QStringLiteral("(accepted)");
    }
    std::unique_ptr<TWavAudioFile> Open(const QByteArray& bytes) {
        return std::make_unique<TWavAudioFile>(Put(bytes));
    }
};

TEST_F(WavTest, CanonicalFileAndProperties) {
    auto pcm = fixtures::MakeSine(44100, 2, 1.0);
    auto w = Open(fixtures::MakeWave(44100, 2, 16, pcm));
    EXPECT_EQ(w->DataChunk().DataOffset, 44);
    EXPECT_EQ(w->GetPcmSize(), 176400);
    EXPECT_EQ(w->GetSampleRate(), 44100);
    EXPECT_EQ(w->GetChannels(), 2);
    EXPECT_EQ(w->GetBitsPerSample(), 16);
    EXPECT_EQ(w->GetBitrate(), 1411200);
    EXPECT_EQ(w->GetFormatCode(), fcWave);
    EXPECT_TRUE(w->IsSource());
    EXPECT_EQ(w->GetFileSize(), 44 + 176400);
    EXPECT_EQ(w->GetPosition(), 0);
    EXPECT_DOUBLE_EQ(w->GetDuration(), 1.0 / 86400.0);
    EXPECT_EQ(w->TagKinds, 0);
    EXPECT_EQ(w->AudioStart, 0);
}

TEST_F(WavTest, EveryRefusalMessage) {
    const QByteArray fmt = Chunk("fmt ", Fmt(1, 2, 44100, 16));
    const QByteArray data = Chunk("data", Ramp(16));
    EXPECT_EQ(Refusal(QByteArray("JUNKxxxxWAVE")),
              QStringLiteral("Bad .wav format. RIFF chunk not found"));
    EXPECT_EQ(Refusal(Chunk("LIST", "INFOabcd")),
              QStringLiteral("Bad .wav format. 1st chunk is not an RIFF chunk"));
    EXPECT_EQ(Refusal(Riff(data)), QStringLiteral("Bad .wav format. Can't find FMT chunk"));
    EXPECT_EQ(Refusal(Riff(Chunk("fmt ", Fmt(0, 2, 44100, 16)) + data)),
              QStringLiteral("Bad .wav format. Can't find FMT chunk"));
    EXPECT_EQ(Refusal(Riff(Chunk("fmt ", Fmt(3, 2, 44100, 32)) + data)),
              QStringLiteral("Bad .wav format. Only PCM data is supported"));
    EXPECT_EQ(Refusal(Riff(fmt)), QStringLiteral("Bad .wav format. Can't find audio data"));
    // Letter case of the IDs counts.
    EXPECT_EQ(Refusal(Riff(fmt + Chunk("DATA", Ramp(8)))),
              QStringLiteral("Bad .wav format. Can't find audio data"));
    EXPECT_EQ(Refusal(QByteArray("riff") + QByteArray(8, 0)),
              QStringLiteral("Bad .wav format. RIFF chunk not found"));
}

TEST_F(WavTest, DamagedFilesAreRefusedCleanly) {
    EXPECT_EQ(Refusal(QByteArray()), QStringLiteral("Bad .wav format. RIFF chunk not found"));
    EXPECT_EQ(Refusal(QByteArray("RIF")), QStringLiteral("Bad .wav format. RIFF chunk not found"));
    EXPECT_EQ(Refusal(QByteArray("RIFF")), QStringLiteral("Bad .wav format. Can't find FMT chunk"));
    // Cut inside the format chunk, and a header cut by the end of the file.
    QByteArray full = Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Chunk("data", Ramp(64)));
    EXPECT_EQ(Refusal(full.left(30)), QStringLiteral("Bad .wav format. Can't find audio data"));
    EXPECT_EQ(Refusal(full.left(40)), QStringLiteral("Bad .wav format. Can't find audio data"));
    // A LIST whose size is below its own form type must not loop forever.
    QByteArray badList("LIST");
    PutLE32(badList, 0);
    badList += "INFO";
    EXPECT_EQ(Refusal(Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + badList)),
              QStringLiteral("Bad .wav format. Can't find audio data"));
    // Random bytes after a valid RIFF header: refused or accepted, never a crash.
    QRandomGenerator rng(7);
    for (int i = 0; i < 300; ++i) {
        QByteArray junk(int(rng.bounded(200)), 0);
        for (auto& c : junk)
            c = char(rng.bounded(256));
        QByteArray f = Riff(Chunk("fmt ", Fmt(1, 1, 8000, 8)) + junk);
        if (i % 3 == 0) f = QByteArray("RIFF") + junk;
        try {
            TWavAudioFile w(Put(f));
            EXPECT_GE(w.GetPcmSize(), 0);
            EXPECT_LE(w.GetPcmSize(), w.GetFileSize());
        } catch (const ESonvaleError&) {
        }
    }
}

TEST_F(WavTest, FormatChunkSizes) {
    const QByteArray data = Chunk("data", Ramp(40));
    // 16 bytes: no extra-size field.
    auto w16 = Open(Riff(Chunk("fmt ", Fmt(1, 2, 22050, 16, 16)) + data));
    EXPECT_EQ(w16->Format().ExtraSize, 0);
    EXPECT_EQ(w16->GetPcmSize(), 40);
    // 18 bytes with an extra-size value.
    QByteArray f18 = Fmt(1, 1, 8000, 8, 16);
    PutLE16(f18, 0);
    EXPECT_EQ(Open(Riff(Chunk("fmt ", f18) + data))->GetSampleRate(), 8000);
    // 40 bytes: 18 read, 22 skipped, then the data.
    QByteArray f40 = Fmt(1, 2, 48000, 16, 16);
    PutLE16(f40, 22);
    f40 += QByteArray(22, char(0x55));
    auto w40 = Open(Riff(Chunk("fmt ", f40) + data));
    EXPECT_EQ(w40->Format().ExtraSize, 22);
    EXPECT_EQ(w40->GetSampleRate(), 48000);
    EXPECT_EQ(w40->DataChunk().DataOffset, 12 + 8 + 40 + 8);
}

TEST_F(WavTest, ChunksBeforeDataAreSkipped) {
    QByteArray chunks =
        Chunk("fmt ", Fmt(1, 2, 44100, 16)) +
        Chunk("LIST", QByteArray("INFOISFT") + QByteArray("\x05\0\0\0abcde\0", 10)) +
        Chunk("odd!", QByteArray("xyz")) + // odd size: one pad byte follows
        Chunk("fact", QByteArray(4, 0)) + Chunk("PAD ", QByteArray(7, 0)) +
        Chunk("data", Ramp(100));
    auto w = Open(Riff(chunks));
    EXPECT_EQ(w->GetPcmSize(), 100);
    QByteArray got(100, 0);
    int n = 100;
    ASSERT_TRUE(w->Read(got.data(), n));
    EXPECT_EQ(n, 100);
    EXPECT_EQ(got, Ramp(100));
}

TEST_F(WavTest, StreamedAndOversizedDataSizes) {
    const QByteArray fmt = Chunk("fmt ", Fmt(1, 2, 44100, 16));
    for (int64_t declared : {int64_t(0), int64_t(0xFFFFFFFF), int64_t(1000000)}) {
        QByteArray data("data");
        PutLE32(data, uint32_t(declared));
        data += Ramp(4000);
        auto w = Open(Riff(fmt + data));
        EXPECT_EQ(w->GetPcmSize(), 4000) << declared;
        EXPECT_NEAR(w->GetDuration() * 86400.0, 4000.0 / 176400.0, 1e-12);
    }
}

TEST_F(WavTest, ExtensibleHeaders) {
    auto ext = [](const QByteArray& subFormat) {
        QByteArray f = Fmt(0xFFFE, 2, 48000, 24, 16);
        PutLE16(f, 22);
        PutLE16(f, 24);       // valid bits
        PutLE32(f, 3);        // channel mask
        return f + subFormat; // 16-byte sub-format GUID
    };
    const QByteArray guidTail("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    QByteArray pcm("\x01\x00\x00\x00", 4), flt("\x03\x00\x00\x00", 4);
    auto w = Open(Riff(Chunk("fmt ", ext(pcm + guidTail)) + Chunk("data", Ramp(60))));
    EXPECT_EQ(w->GetBitsPerSample(), 24);
    EXPECT_EQ(w->GetPcmSize(), 60);
    EXPECT_EQ(Refusal(Riff(Chunk("fmt ", ext(flt + guidTail)) + Chunk("data", Ramp(60)))),
              QStringLiteral("Bad .wav format. Only PCM data is supported"));
}

TEST_F(WavTest, ReadZeroFillsAndStopsAtTheEndOfTheDataChunk) {
    QByteArray trailer = Chunk("LIST", QByteArray("INFO"));
    auto w = Open(Riff(Chunk("fmt ", Fmt(1, 1, 8000, 8)) + Chunk("data", Ramp(10)) + trailer));
    QByteArray buf(64, char(0x7F));
    int n = int(buf.size());
    ASSERT_TRUE(w->Read(buf.data(), n));
    EXPECT_EQ(n, 10); // a chunk after the data is no audio
    EXPECT_EQ(buf.mid(n), QByteArray(64 - n, 0));
    n = 16;
    EXPECT_FALSE(w->Read(buf.data(), n));
    EXPECT_EQ(n, 0);
}

TEST_F(WavTest, SeekLandsOnBlockBoundaries) {
    auto w = Open(Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Chunk("data", Ramp(4000))));
    w->Seek(1001);
    EXPECT_EQ(w->GetPosition(), 1000);
    char b[4];
    int n = 4;
    ASSERT_TRUE(w->Read(b, n));
    EXPECT_EQ(QByteArray(b, 4), Ramp(4000).mid(1000, 4));
    w->Seek(-5);
    EXPECT_EQ(w->GetPosition(), 0);
    // A damaged header with zero channels is refused, never divided by.
    EXPECT_EQ(Refusal(Riff(Chunk("fmt ", Fmt(1, 0, 44100, 16)) + Chunk("data", Ramp(10)))),
              QStringLiteral("Bad .wav format. Only PCM data is supported"));
}

TEST_F(WavTest, FacadeLifeCycle) {
    QString a = Put(fixtures::MakeWave(44100, 2, 16, fixtures::MakeSine(44100, 2, 1.0)),
                    QStringLiteral("a.WAV"));
    QString b = Put(fixtures::MakeWave(8000, 1, 8, fixtures::MakeSine(8000, 1, 0.5)),
                    QStringLiteral("b.wav"));
    TAudioFile af;
    EXPECT_FALSE(af.IsKnownFormat());
    EXPECT_FALSE(af.Open());
    af.SetFileName(a);
    EXPECT_EQ(af.FormatCode, fcWave);
    ASSERT_TRUE(af.Open());
    TAbstractAudioFile* first = af.Reader.get();
    EXPECT_TRUE(af.Open()); // no second reader
    EXPECT_EQ(af.Reader.get(), first);
    af.SetFileName(b); // ignored while open
    EXPECT_EQ(af.FileName, a);
    EXPECT_DOUBLE_EQ(af.GetDuration(), 1.0 / 86400.0);
    EXPECT_TRUE(af.Close());
    EXPECT_FALSE(af.IsOpen);
    EXPECT_EQ(af.Reader, nullptr);
    EXPECT_TRUE(af.Close());
    af.SetFileName(b);
    ASSERT_TRUE(af.Open());
    EXPECT_EQ(af.Reader->GetSampleRate(), 8000);
    af.Close();

    // Unknown extension: no reader, no error, zero duration.
    af.SetFileName(tmp.filePath(QStringLiteral("x.mp4")));
    EXPECT_FALSE(af.Open());
    EXPECT_EQ(af.GetDuration(), 0.0);

    // A refusing reader's error passes through Open and leaves the facade closed.
    af.SetFileName(Put(QByteArray("garbage"), QStringLiteral("bad.wav")));
    EXPECT_THROW(af.Open(), ESonvaleError);
    EXPECT_FALSE(af.IsOpen);
    EXPECT_TRUE(af.Close());
}

TEST_F(WavTest, DurationAndOffsetHelpers) {
    QString one = Put(fixtures::MakeWave(44100, 2, 16, fixtures::MakeSine(44100, 2, 1.0)),
                      QStringLiteral("one.wav"));
    EXPECT_EQ(AudioDurationMs(one), 1000);
    EXPECT_EQ(AudioDataOffset(one), 0);
    EXPECT_EQ(AudioDurationMs(tmp.filePath(QStringLiteral("missing.wav"))), 0);
    EXPECT_EQ(AudioDurationMs(Put(QByteArray("x"), QStringLiteral("n.txt"))), 0);
    // 8000 Hz mono 8-bit, 12 bytes = 1.5 ms: halves round to even.
    QByteArray f = Riff(Chunk("fmt ", Fmt(1, 1, 8000, 8)) + Chunk("data", Ramp(12)));
    EXPECT_EQ(AudioDurationMs(Put(f, QStringLiteral("h.wav"))), 2);
    f = Riff(Chunk("fmt ", Fmt(1, 1, 8000, 8)) + Chunk("data", Ramp(20))); // 2.5 ms
    EXPECT_EQ(AudioDurationMs(Put(f, QStringLiteral("h2.wav"))), 2);
}

} // namespace

TEST_F(WavTest, HeadersNoPcmCanHaveAreRefusedAndHugeOnesDoNotOverflow) {
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
    };
    for (const Case c :
         {Case{0, 44100, 16}, Case{2, 0, 16}, Case{2, 44100, 0}, Case{2, 44100, 65535}})
        EXPECT_EQ(Refusal(Riff(Chunk("fmt ", Fmt(1, c.channels, c.rate, c.bits)) +
                               Chunk("data", Ramp(16)))),
                  QStringLiteral("Bad .wav format. Only PCM data is supported"))
            << c.channels << " " << c.rate << " " << c.bits;
    auto w = Open(Riff(Chunk("fmt ", Fmt(1, 65407, 44100, 16)) + Chunk("data", Ramp(16))));
    EXPECT_EQ(w->GetBitrate(), INT32_MAX);
}

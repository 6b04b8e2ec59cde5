#include "audio/AudioFile.h"
#include "audio/Compressor.h"
#include "audio/Resampler.h"
#include "audio/RsmpFilter.h"
#include "audio/WavAudioFile.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// PCM from memory; may announce more than it holds (a file cut short).
class TMemorySource : public TAbstractAudioFile {
public:
    TMemorySource(int rate, int channels, int bits, QByteArray pcm, int64_t announced = -1)
        : TAbstractAudioFile(QStringLiteral("mem")), Rate(rate), Channels(channels), Bits(bits),
          Pcm(std::move(pcm)), Announced(announced < 0 ? Pcm.size() : announced) {}
    int32_t GetChannels() override { return Channels; }
    int32_t GetSampleRate() override { return Rate; }
    int32_t GetBitsPerSample() override { return Bits; }
    int64_t GetPcmSize() override { return Announced; }
    int64_t GetPosition() override { return Pos; }
    void Seek(int64_t p) override { Pos = std::clamp<int64_t>(p, 0, Pcm.size()); }
    bool Read(void* buffer, int& count) override {
        int n = int(std::min<int64_t>(count, Pcm.size() - Pos));
        n = std::max(n, 0);
        std::memcpy(buffer, Pcm.constData() + Pos, n);
        Pos += n;
        count = n;
        return n > 0;
    }
    int Rate, Channels, Bits;
    QByteArray Pcm;
    int64_t Announced;
    int64_t Pos = 0;
};

// Hands out at most Chunk bytes per call, as a decoder delivering whatever it
// has at hand may; only an empty read means the end.
class TTrickleSource : public TMemorySource {
public:
    using TMemorySource::TMemorySource;
    bool Read(void* buffer, int& count) override {
        count = std::min(count, Chunk);
        return TMemorySource::Read(buffer, count);
    }
    int Chunk = 3;
};

QByteArray Bytes(const std::vector<int16_t>& s) {
    return QByteArray(reinterpret_cast<const char*>(s.data()), int(s.size() * 2));
}

std::vector<int16_t> ReadAll(TAbstractAudioFile& src, int block = 4096) {
    std::vector<int16_t> all;
    std::vector<char> buf(block);
    for (int guard = 0; guard < 1000000; ++guard) {
        int n = block;
        if (!src.Read(buf.data(), n) || n <= 0) break;
        size_t old = all.size();
        all.resize(old + n / 2);
        std::memcpy(all.data() + old, buf.data(), n / 2 * 2);
    }
    return all;
}

// Least-squares fit of a sine at freq (plus DC) to one channel; returns
// the residual-to-signal power ratio in dB.
double FitResidual(const std::vector<int16_t>& s, int channels, int ch, double rate, double freq,
                   size_t skip) {
    const size_t frames = s.size() / channels;
    double sxx = 0, syy = 0, sxy = 0, sx = 0, sy = 0, bx = 0, by = 0, b = 0, n = 0;
    std::vector<double> c, si, v;
    for (size_t i = skip; i + skip < frames; ++i) {
        double w = 2 * M_PI * freq * i / rate;
        c.push_back(std::cos(w));
        si.push_back(std::sin(w));
        v.push_back(s[i * channels + ch]);
    }
    // Normal equations for v ~ a cos + b sin + d.
    for (size_t i = 0; i < v.size(); ++i) {
        sxx += c[i] * c[i], syy += si[i] * si[i], sxy += c[i] * si[i];
        sx += c[i], sy += si[i], bx += v[i] * c[i], by += v[i] * si[i], b += v[i], n += 1;
    }
    double m[3][4] = {{sxx, sxy, sx, bx}, {sxy, syy, sy, by}, {sx, sy, n, b}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (j != i) {
                double f = m[j][i] / m[i][i];
                for (int k = 0; k < 4; ++k)
                    m[j][k] -= f * m[i][k];
            }
    double a = m[0][3] / m[0][0], bb = m[1][3] / m[1][1], d = m[2][3] / m[2][2];
    double sig = 0, res = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double fit = a * c[i] + bb * si[i];
        sig += fit * fit;
        double r = v[i] - fit - d;
        res += r * r;
    }
    return 10 * std::log10(res / sig);
}

// THD+N in dB: the residual after the best-fitting sine near freq (the
// 15-bit time step may shift the pitch by a few hundredths of a hertz).
double ThdN(const std::vector<int16_t>& s, int channels, int ch, double rate, double freq,
            size_t skip, double* found = nullptr) {
    double lo = freq - 1, hi = freq + 1;
    for (int i = 0; i < 40; ++i) {
        double a = lo + (hi - lo) * 0.382, b = lo + (hi - lo) * 0.618;
        if (FitResidual(s, channels, ch, rate, a, skip) <
            FitResidual(s, channels, ch, rate, b, skip))
            hi = b;
        else
            lo = a;
    }
    if (found) *found = (lo + hi) / 2;
    return FitResidual(s, channels, ch, rate, (lo + hi) / 2, skip);
}

// Frequency from the count of rising zero crossings.
double ZeroCrossFreq(const std::vector<int16_t>& s, int channels, double rate) {
    const size_t frames = s.size() / channels;
    long first = -1, last = -1, count = 0;
    for (size_t i = 1000; i + 1000 < frames; ++i)
        if (s[(i - 1) * channels] < 0 && s[i * channels] >= 0) {
            if (first < 0)
                first = long(i);
            else
                ++count;
            last = long(i);
        }
    return count > 0 ? count * rate / double(last - first) : 0;
}

class ChainTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Wave(const char* name, int rate, int channels, int bits,
                 const std::vector<int16_t>& pcm) {
        QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(fixtures::WriteFile(path, fixtures::MakeWave(rate, channels, bits, pcm)));
        return path;
    }
};

} // namespace

TEST_F(ChainTest, MatchingFormatPassesThroughWithoutBuffers) {
    auto pcm = fixtures::MakeNoise(44100, 2, 0.5);
    QString path = Wave("a.wav", 44100, 2, 16, pcm);
    TAudioFile af;
    af.SetFileName(path);
    ASSERT_TRUE(af.Open());
    ASSERT_TRUE(af.Filter && af.Compressor);
    EXPECT_EQ(af.ChainEnd(), af.Compressor.get());
    EXPECT_FALSE(af.Filter->Resampler);
    EXPECT_TRUE(af.Filter->InBuf.empty() && af.Filter->OutBuf.empty());
    // Compress is off by default: the bytes come through untouched.
    EXPECT_FALSE(af.Compressor->Enabled);
    EXPECT_TRUE(af.Compressor->AutoBoost);
    EXPECT_EQ(af.ChainEnd()->GetPcmSize(), int64_t(pcm.size() * 2));
    EXPECT_EQ(ReadAll(*af.ChainEnd(), 1000), pcm);
}

TEST_F(ChainTest, EightBitMonoBecomesSixteenBitStereoAtDoubleRate) {
    auto pcm = fixtures::MakeSine(22050, 1, 0.5, 1000.0, 0.5);
    QString path = Wave("b.wav", 22050, 1, 8, pcm);
    TAudioFile af;
    af.SetFileName(path);
    ASSERT_TRUE(af.Open());
    TAbstractAudioFile* end = af.ChainEnd();
    EXPECT_EQ(end->GetChannels(), 2);
    EXPECT_EQ(end->GetSampleRate(), 44100);
    EXPECT_EQ(end->GetBitsPerSample(), 16);
    const int64_t srcSize = af.Reader->GetPcmSize();
    EXPECT_EQ(end->GetPcmSize(), srcSize * 2 * 2 * 2);
    auto out = ReadAll(*end);
    EXPECT_LE(std::llabs(int64_t(out.size() * 2) - end->GetPcmSize()), 4096);
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        ASSERT_EQ(out[i], out[i + 1]);
    EXPECT_NEAR(ZeroCrossFreq(out, 2, 44100), 1000.0, 2.0);
    // 8-bit quantisation limits the quality, but the tone must stay clean.
    EXPECT_LT(ThdN(out, 2, 0, 44100, 1000, 200), -35);
}

TEST(ChainFilter, WidensEightBitExactly) {
    QByteArray bytes;
    for (int b : {0, 1, 127, 128, 129, 255})
        bytes.append(char(b));
    TMemorySource src(8000, 1, 8, bytes);
    TRsmpFilter f(&src, 1, 8000);
    EXPECT_FALSE(f.Resampler);
    EXPECT_EQ(f.GetPcmSize(), 12);
    int16_t out[8];
    int n = 16;
    EXPECT_TRUE(f.Read(out, n));
    ASSERT_EQ(n, 12);
    EXPECT_EQ(std::vector<int16_t>(out, out + 6),
              (std::vector<int16_t>{-32768, -32512, -256, 0, 256, 32512}));
    EXPECT_EQ(out[6], 0); // the rest is silence
}

TEST_F(ChainTest, WideSamplesAreNarrowedToSixteenBits) {
    auto pcm = fixtures::MakeNoise(44100, 2, 0.2);
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        QString path = Wave(bits == 24 ? "w24.wav" : "w32.wav", 44100, 2, bits, pcm);
        TAudioFile af;
        af.SetFileName(path);
        ASSERT_TRUE(af.Open());
        EXPECT_EQ(af.ChainEnd()->GetBitsPerSample(), 16);
        EXPECT_EQ(af.ChainEnd()->GetPcmSize(), int64_t(pcm.size() * 2));
        EXPECT_EQ(ReadAll(*af.ChainEnd(), 1002), pcm);
        af.ChainEnd()->Seek(400);
        EXPECT_EQ(af.Reader->GetPosition(), 400 / 2 * (bits / 8));
    }
}

TEST(ChainFilter, DownMixHalvesEachChannelWithTruncation) {
    std::vector<int16_t> in{-3, -5, 32767, 32767, -32768, -32768, 3, 4, -1, 1};
    TMemorySource src(44100, 2, 16, Bytes(in));
    TRsmpFilter f(&src, 1, 44100);
    EXPECT_EQ(f.GetPcmSize(), 10);
    auto out = ReadAll(f);
    EXPECT_EQ(out, (std::vector<int16_t>{-3, 32766, -32768, 3, 0}));
}

TEST(ChainFilter, UpMixWritesEachSampleTwiceAndMapsPositions) {
    std::vector<int16_t> in{1, -2, 300, -32768};
    TMemorySource src(44100, 1, 16, Bytes(in));
    TRsmpFilter f(&src, 2, 44100);
    EXPECT_TRUE(f.UpMix && f.Rechannel && !f.Resample);
    EXPECT_EQ(f.GetPcmSize(), 16);
    auto out = ReadAll(f, 6); // odd frame boundaries in the request
    EXPECT_EQ(out, (std::vector<int16_t>{1, 1, -2, -2, 300, 300, -32768, -32768}));
    f.Seek(8);
    EXPECT_EQ(src.Pos, 4);
    EXPECT_EQ(f.GetPosition(), 8);
}

TEST(ChainFilter, ResampledToneKeepsFrequencyAndPurity) {
    struct Case {
        int from, to;
        bool large = false;
    };
    for (Case c : {Case{22050, 44100}, Case{44100, 48000}, Case{48000, 22050},
                   Case{44100, 48000, true}, Case{48000, 22050, true}}) {
        SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << (c.large ? " large" : ""));
        auto pcm = fixtures::MakeSine(c.from, 2, 1.0, 1000.0, 0.5);
        TMemorySource src(c.from, 2, 16, Bytes(pcm));
        TRsmpFilter f(&src, 2, c.to);
        ASSERT_TRUE(f.Resampler);
        if (c.large) {
            f.Resampler = std::make_unique<TResampler>(true, false, false);
            f.Resampler->Setup(2, double(c.to) / c.from);
        }
        EXPECT_EQ(f.GetSampleRate(), c.to);
        auto out = ReadAll(f);
        EXPECT_LE(std::llabs(int64_t(out.size() * 2) - f.GetPcmSize()), 4096);
        EXPECT_NEAR(ZeroCrossFreq(out, 2, c.to), 1000.0, 1.0);
        double found = 0;
        EXPECT_LT(ThdN(out, 2, 0, c.to, 1000, 200, &found), -60);
        EXPECT_NEAR(found, 1000.0, 0.05);
        EXPECT_LT(ThdN(out, 2, 1, c.to, 1000, 200), -60);
    }
}

TEST(ChainFilter, SeekThenReadMatchesReadingThrough) {
    auto pcm = fixtures::MakeNoise(22050, 2, 0.5);
    TMemorySource src(22050, 2, 16, Bytes(pcm));
    TRsmpFilter f(&src, 2, 44100);
    auto through = ReadAll(f, 3000);
    // Back to the start: identical.
    f.Seek(0);
    EXPECT_EQ(ReadAll(f, 1234), through);
    // Into the middle, at an output frame that falls on a source frame: once
    // the filter's reach of history has passed, identical again.
    const int frame = 10000; // output frames (source frame 5000)
    f.Seek(int64_t(frame) * 4);
    EXPECT_EQ(src.Pos, 5000 * 4);
    auto tail = ReadAll(f, 4096);
    ASSERT_GT(tail.size(), 200u);
    const size_t warm = 2 * 64;
    ASSERT_LE(tail.size(), through.size() - size_t(frame) * 2 + 8);
    for (size_t i = warm; i < tail.size() && frame * 2 + i < through.size(); ++i)
        ASSERT_EQ(tail[i], through[frame * 2 + i]) << i;
}

TEST(ChainFilter, ShortSourceReadsKeepFramesAligned) {
    // Stereo down-mix, 24-bit narrowing and mono up-mix against the same
    // conversions over a source that fills every request.
    std::vector<int16_t> st(600);
    for (size_t i = 0; i < st.size(); ++i)
        st[i] = int16_t(i % 2 ? -int(i) * 37 : int(i) * 53);
    QByteArray wide;
    for (int16_t v : st) {
        wide.append(char(0x5a));
        wide.append(char(v & 0xff));
        wide.append(char((v >> 8) & 0xff));
    }
    struct Case {
        int channels, bits, outChannels, outRate;
        QByteArray pcm;
    };
    for (const Case& c : {Case{2, 16, 1, 44100, Bytes(st)}, Case{2, 24, 2, 44100, wide},
                          Case{1, 16, 2, 44100, Bytes(st)}, Case{2, 24, 1, 48000, wide}}) {
        SCOPED_TRACE(testing::Message() << c.channels << "ch " << c.bits << "bit -> "
                                        << c.outChannels << "ch " << c.outRate);
        for (int chunk : {1, 3, 5, 1001}) {
            SCOPED_TRACE(chunk);
            TMemorySource whole(44100, c.channels, c.bits, c.pcm);
            TTrickleSource trickle(44100, c.channels, c.bits, c.pcm);
            trickle.Chunk = chunk;
            TRsmpFilter a(&whole, c.outChannels, c.outRate), b(&trickle, c.outChannels, c.outRate);
            auto expected = ReadAll(a, 1000);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(ReadAll(b, 1000), expected);
        }
    }
}

TEST(ChainFilter, FarRatesConvertAndRefusedConversionsSayWhatComesOut) {
    // 96000 Hz down to 1000 Hz: still converted, the tone (200 Hz) kept.
    auto pcm = fixtures::MakeSine(96000, 1, 1.0, 200.0, 0.5);
    TMemorySource src(96000, 1, 16, Bytes(pcm));
    TRsmpFilter f(&src, 1, 1000);
    ASSERT_TRUE(f.Resampler);
    EXPECT_EQ(f.GetSampleRate(), 1000);
    auto out = ReadAll(f, 200);
    EXPECT_NEAR(double(out.size()), 1000.0, 16);
    EXPECT_LT(ThdN(out, 1, 0, 1000, 200, 100), -50);

    // A conversion the chain cannot make (absurd channel count, rates too
    // far apart, no output channels) passes the source on labelled as it is.
    TMemorySource many(44100, 65, 16, Bytes(pcm));
    TRsmpFilter g(&many, 65, 48000);
    EXPECT_FALSE(g.Resampler);
    EXPECT_EQ(g.GetSampleRate(), 44100);
    TMemorySource far(44100, 2, 16, Bytes(pcm));
    TRsmpFilter h(&far, 2, 44100 * 100);
    EXPECT_FALSE(h.Resampler);
    EXPECT_EQ(h.GetSampleRate(), 44100);
    TRsmpFilter k(&far, 0, 44100);
    EXPECT_EQ(k.GetChannels(), 2);
    EXPECT_DOUBLE_EQ(k.GetDuration(), far.GetDuration());
}

TEST(ChainFilter, DamagedSourcesNeverCrash) {
    auto pcm = fixtures::MakeSine(22050, 2, 0.2);
    // Announces twice the data it holds: the chain delivers what there is.
    {
        TMemorySource src(22050, 2, 16, Bytes(pcm), int64_t(pcm.size()) * 4);
        TRsmpFilter f(&src, 2, 44100);
        auto out = ReadAll(f);
        EXPECT_NEAR(double(out.size()), pcm.size() * 2.0, 2048);
        std::vector<char> buf(4096, 'x');
        int n = 4096;
        EXPECT_FALSE(f.Read(buf.data(), n));
        EXPECT_EQ(n, 0);
        EXPECT_EQ(buf, std::vector<char>(4096, 0)); // zero-filled
    }
    // No channels, no rate, nothing at all.
    for (auto [rate, ch] : {std::pair{0, 2}, std::pair{44100, 0}, std::pair{0, 0}, std::pair{1, 2},
                            std::pair{44100, 65535}}) {
        SCOPED_TRACE(testing::Message() << rate << "Hz " << ch << "ch");
        TMemorySource src(rate, ch, 16, Bytes(pcm));
        for (int outCh : {1, 2}) {
            src.Pos = 0;
            TRsmpFilter f(&src, outCh, 44100);
            TCompressor c(&f);
            c.Enabled = true;
            c.AutoBoost = true;
            (void)c.GetPcmSize();
            (void)c.GetPosition();
            (void)c.GetDuration();
            c.Seek(1001);
            auto out = ReadAll(c);
            EXPECT_LE(out.size(), pcm.size() * 44100 + 4096);
        }
    }
    // A huge channel count and a large request: the byte counts of one
    // request must neither overflow nor size a buffer from the header.
    {
        std::vector<int16_t> frames(65535 * 3, 7);
        TMemorySource src(44100, 65535, 16, Bytes(frames));
        TRsmpFilter f(&src, 2, 44100);
        std::vector<char> big(1 << 20, 'x');
        int n = int(big.size());
        EXPECT_TRUE(f.Read(big.data(), n));
        ASSERT_EQ(n, 3 * 4);
        EXPECT_EQ(std::vector<char>(big.begin() + n, big.end()),
                  std::vector<char>(big.size() - n, 0));
    }
    // Empty source, 8-bit, resampled.
    TMemorySource empty(8000, 1, 8, QByteArray());
    TRsmpFilter f(&empty, 2, 44100);
    EXPECT_TRUE(ReadAll(f).empty());
}

TEST(ChainResampler, TablesFollowTheWindowedSinc) {
    for (bool large : {false, true}) {
        const auto& imp = TResampler::Coefficients(large);
        const auto& d = TResampler::Differences(large);
        ASSERT_EQ(imp.size(), large ? 8192u : 1536u);
        ASSERT_EQ(d.size(), imp.size());
        EXPECT_EQ(imp[0], 32767);
        EXPECT_EQ(imp[1], 32766);
        EXPECT_EQ(imp[2], 32764);
        for (size_t i = 0; i + 1 < imp.size(); ++i)
            ASSERT_EQ(d[i], imp[i + 1] - imp[i]);
        // Zero crossings every 256 steps (the sinc of a 0.45 cutoff crosses
        // a little later), and the window takes the tail to zero.
        EXPECT_GT(imp[256], 0);
        EXPECT_LT(imp[300], 0);
        EXPECT_LE(std::abs(imp.back()), 40);
    }
}

TEST(ChainResampler, LinearModeInterpolatesAndReportsOverflow) {
    TResampler r(false, true, false);
    r.Setup(1, 2.0);
    EXPECT_EQ(r.OutputCapacity(4096), 8192 - 8);
    std::vector<int16_t> in{0,   100, 200,  300,  400,  500,  600,  700,
                            800, 900, 1000, 1100, 1200, 1300, 1400, 1500};
    std::vector<int16_t> out(64);
    int ni = int(in.size()), no = 64;
    r.Resample(ni, no, out.data(), in.data());
    EXPECT_EQ(ni, int(in.size()));
    ASSERT_GE(no, 8);
    for (int i = 0; i < no; ++i)
        EXPECT_EQ(out[i], i * 50) << i;
    TResampler small(false, true, false);
    small.Setup(1, 2.0);
    ni = int(in.size());
    no = 2;
    EXPECT_THROW(small.Resample(ni, no, out.data(), in.data()), ESonvaleError);
}

TEST(ChainResampler, DcGainFollowsTheGainScale) {
    for (bool large : {false, true}) {
        TResampler r(large, false, false);
        r.Setup(1, 44100.0 / 32000);
        std::vector<int16_t> in(4000, 10000), out(8000);
        int ni = 4000, no = 8000;
        r.Resample(ni, no, out.data(), in.data());
        ASSERT_GT(no, 2000);
        // Unity-gain scales of these tables are about 14700; the scales in
        // use leave some headroom.
        const double expected = 10000.0 * TResampler::GainScale(large) / 14735.0;
        EXPECT_NEAR(out[no / 2], expected, 10000 * 0.004);
    }
}

TEST(ChainCompressor, DefaultsCurveAndSetters) {
    TMemorySource src(44100, 2, 16, QByteArray());
    TCompressor c(&src);
    ASSERT_EQ(c.Knots.size(), 20u);
    EXPECT_NEAR(c.Knots.front()->In, -95.238, 0.01);
    EXPECT_NEAR(c.Knots.back()->In, -4.762, 0.01);
    EXPECT_EQ(c.Boost, 5);
    EXPECT_TRUE(c.Enabled);
    EXPECT_FALSE(c.AutoBoost);
    EXPECT_EQ(c.ClipSample, 32767);
    EXPECT_EQ(c.Target, -12);
    EXPECT_EQ(c.Window, 30);
    EXPECT_EQ(c.Gate, -60);
    EXPECT_NEAR(c.Knots[10]->In, -47.62, 0.01);
    EXPECT_NEAR(c.Knots[10]->Out, -42.86, 0.01);
    EXPECT_NEAR(c.Curve(-47.619f), -42.857, 0.01);
    EXPECT_FLOAT_EQ(c.Curve(3.0f), 3.0f);
    EXPECT_NEAR(c.Curve(-2.0f), c.Knots.back()->Out, 1e-5); // flat above the last knot
    EXPECT_NEAR(c.Curve(-97.619f), -100 + (2.381 * (c.Knots[0]->Out + 100) / 4.762), 0.01);
    c.SetBoost(80);
    EXPECT_NEAR(c.Knots[10]->Out, -47.619 * (1 - 49.0 / 50), 0.01);
    c.SetClipLevel(-0.5f);
    EXPECT_EQ(c.ClipSample, 16384);
    c.SetClipLevel(7);
    EXPECT_EQ(c.ClipSample, 32767);
    c.SetTarget(5);
    EXPECT_EQ(c.Target, 0);
    c.SetTarget(-200);
    EXPECT_EQ(c.Target, -100);
    c.SetWindow(-1);
    EXPECT_EQ(c.Window, 0);
    c.SetWindow(101);
    EXPECT_EQ(c.Window, 100);
    c.SetGate(-39);
    EXPECT_EQ(c.Gate, -40);
    c.SetGate(-101);
    EXPECT_EQ(c.Gate, -100);
    c.SetGate(-70);
    EXPECT_EQ(c.Gate, -70);
    c.SetAttack(2);
    EXPECT_EQ(c.Attack, 1.0f);
    c.SetRelease(-1);
    EXPECT_EQ(c.Release, 0.0f);
}

TEST(ChainCompressor, LevelGainClipAndBoostAdaptation) {
    std::vector<int16_t> silence(2048, 0);
    EXPECT_NEAR(TCompressor::Level(silence.data(), 4096), -80.3, 0.05);
    EXPECT_NEAR(TCompressor::Level(silence.data(), 1), -80.3, 0.05);
    std::vector<int16_t> full(2048, 32767);
    EXPECT_NEAR(TCompressor::Level(full.data(), 4096),
                10 * std::log10(32767.0 * 32767 / 2 / 1073741824.0), 0.01);

    TMemorySource src(44100, 2, 16, QByteArray());
    TCompressor c(&src);
    c.AutoBoost = true;
    c.Process(silence.data(), 4096);
    EXPECT_EQ(c.Boost, 5); // below the gate
    EXPECT_EQ(silence, std::vector<int16_t>(2048, 0));

    // A quiet buffer: the wanted gain rises, smoothed by Release; boost climbs.
    auto quiet = fixtures::MakeSine(44100, 2, 0.05, 1000, 0.003);
    auto q = quiet;
    const float level = TCompressor::Level(q.data(), int(q.size() * 2));
    const float wanted = c.Curve(level) - level;
    const float before = c.Gain; // the silent buffer already raised it
    EXPECT_GT(before, 0);
    c.Process(q.data(), int(q.size() * 2));
    EXPECT_NEAR(c.Gain, before * 0.93f + wanted * 0.07f, 1e-4); // smoothed by Release
    EXPECT_EQ(c.Boost, 6);
    const double g = std::pow(10.0, c.Gain / 20.0);
    for (size_t i = 0; i < q.size(); ++i)
        ASSERT_EQ(q[i], int16_t(std::trunc(quiet[i] * g)));

    // Loud: level above target, boost falls by one per buffer; clipping holds.
    TCompressor loud(&src);
    loud.AutoBoost = true;
    loud.SetClipLevel(0.25f);
    loud.Gain = 6;
    auto s = fixtures::MakeSine(44100, 2, 0.05, 1000, 0.9);
    loud.Process(s.data(), int(s.size() * 2));
    EXPECT_EQ(loud.Boost, 4);
    for (int16_t v : s)
        ASSERT_LE(std::abs(v), 8192);
}

TEST_F(ChainTest, FacadeCompressesWhenAsked) {
    auto pcm = fixtures::MakeSine(44100, 2, 0.5, 440, 0.01);
    QString path = Wave("c.wav", 44100, 2, 16, pcm);
    TAudioFile af;
    af.Compress = true;
    af.OutChannels = 1;
    af.OutRate = 48000;
    af.SetFileName(path);
    ASSERT_TRUE(af.Open());
    EXPECT_TRUE(af.Compressor->Enabled);
    EXPECT_EQ(af.ChainEnd()->GetChannels(), 1);
    EXPECT_EQ(af.ChainEnd()->GetSampleRate(), 48000);
    auto out = ReadAll(*af.ChainEnd());
    EXPECT_GT(af.Compressor->Boost, 5);
    EXPECT_GT(af.Compressor->Gain, 0);
    EXPECT_TRUE(af.Close());
    EXPECT_FALSE(af.Filter || af.Compressor || af.Reader);
}

TEST_F(ChainTest, EncodedFilesComeOutConvertedThroughTheFacade) {
    // Real encoder output through the facade: the chain end equals the
    // conversion of the reader's own PCM, keeps the tone and adds no
    // distortion of its own.
    struct Case {
        const char* name;
        int rate, channels, outRate;
    };
    for (Case c : {Case{"m.mp3", 44100, 1, 48000}, Case{"s.mp3", 22050, 2, 44100},
                   Case{"o.ogg", 48000, 2, 44100}}) {
        SCOPED_TRACE(c.name);
        fixtures::EncodeOptions o;
        o.sampleRate = c.rate;
        o.channels = c.channels;
        o.bitrate = c.name[0] == 'o' ? 128000 : 96000;
        o.seconds = 1.0;
        o.freq = 1000;
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QString error;
        const bool made = c.name[0] == 'o' ? fixtures::EncodeOgg(path, o, &error)
                                           : fixtures::EncodeMp3(path, o, &error);
        ASSERT_TRUE(made) << error.toStdString();

        TAudioFile raw;
        raw.SetFileName(path);
        ASSERT_TRUE(raw.Open());
        ASSERT_EQ(raw.Reader->GetSampleRate(), c.rate);
        ASSERT_EQ(raw.Reader->GetChannels(), c.channels);
        const auto pcm = ReadAll(*raw.Reader, 3000);
        ASSERT_GT(pcm.size(), size_t(c.rate / 2));
        TMemorySource mem(c.rate, c.channels, 16, Bytes(pcm));
        TRsmpFilter expectedChain(&mem, 2, c.outRate);
        const auto expected = ReadAll(expectedChain);

        TAudioFile af;
        af.OutRate = c.outRate;
        af.SetFileName(path);
        ASSERT_TRUE(af.Open());
        TAbstractAudioFile* end = af.ChainEnd();
        EXPECT_EQ(end->GetSampleRate(), c.outRate);
        EXPECT_EQ(end->GetChannels(), 2);
        EXPECT_NEAR(end->GetDuration() * 86400, af.Reader->GetDuration() * 86400, 0.01);
        const auto out = ReadAll(*end, 3000);
        EXPECT_LE(std::llabs(int64_t(out.size() * 2) - end->GetPcmSize()), 4096);
        EXPECT_EQ(out, expected);
        // Past the encoder's leading delay and trailing padding.
        double found = 0;
        const double chainThd = ThdN(out, 2, 1, c.outRate, 1000, c.outRate / 8, &found);
        // The chain adds nothing above its own floor (-60 dB).
        const double readerThd = ThdN(pcm, c.channels, c.channels - 1, c.rate, 1000, c.rate / 8);
        EXPECT_LT(chainThd, std::max(readerThd + 1.0, -60.0));
        EXPECT_NEAR(found, 1000.0, 0.1);
    }
}

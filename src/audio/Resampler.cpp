#include "audio/Resampler.h"

#include "io/SonvaleError.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int kNp = 15; // fraction bits of Time
constexpr uint32_t kPMask = (1u << kNp) - 1;
constexpr int kNa = 7; // interpolation bits
constexpr uint32_t kAMask = (1u << kNa) - 1;
constexpr int kNpc = 256;    // table steps per input sample
constexpr int kBlock = 4096; // input frames per channel buffer

double BesselI0(double x) {
    double sum = 1.0, u = 1.0, half = x / 2.0;
    for (int n = 1; n < 200; ++n) {
        double t = half / n;
        u *= t * t;
        sum += u;
        if (u < 1e-21 * sum) break;
    }
    return sum;
}

struct TFilterTable {
    std::vector<int32_t> Imp, ImpD;
};

// Low-pass half wing: sinc with cutoff 0.45 of the sampling rate's half,
// Kaiser window, scaled so the centre tap is 32767.
TFilterTable MakeTable(int zeroCrossings) {
    const int n = kNpc * (zeroCrossings - 1) / 2;
    const double frq = 0.45, beta = 7.0;
    std::vector<double> c(n);
    c[0] = 2.0 * frq;
    for (int i = 1; i < n; ++i) {
        double t = M_PI * i / kNpc;
        c[i] = std::sin(2.0 * t * frq) / t;
    }
    const double ib = 1.0 / BesselI0(beta);
    for (int i = 0; i < n; ++i) {
        double t = double(i) / (n - 1);
        c[i] *= BesselI0(beta * std::sqrt(std::max(1.0 - t * t, 0.0))) * ib;
    }
    TFilterTable f;
    f.Imp.resize(n);
    f.ImpD.resize(n);
    for (int i = 0; i < n; ++i)
        f.Imp[i] = int32_t(std::lround(32767.0 * c[i] / c[0]));
    for (int i = 0; i < n - 1; ++i)
        f.ImpD[i] = f.Imp[i + 1] - f.Imp[i];
    f.ImpD[n - 1] = -f.Imp[n - 1];
    return f;
}

const TFilterTable& Table(bool large) {
    static const TFilterTable small = MakeTable(13);
    static const TFilterTable big = MakeTable(65);
    return large ? big : small;
}

int16_t Clamp16(int64_t v) {
    return int16_t(std::clamp<int64_t>(v, -32768, 32767));
}
} // namespace

const std::vector<int32_t>& TResampler::Coefficients(bool large) {
    return Table(large).Imp;
}
const std::vector<int32_t>& TResampler::Differences(bool large) {
    return Table(large).ImpD;
}

TResampler::TResampler(bool largeFilter, bool interpolate, bool mode)
    : Interpolate(interpolate), LargeFilter(largeFilter), Mode(mode) {}

void TResampler::Setup(int channels, double factor) {
    Channels = std::max(channels, 0);
    // A damaged source (rate 0) gives no usable factor: treat it as 1.
    Factor = (std::isfinite(factor) && factor > 1e-6 && factor < 1e6) ? factor : 1.0;
    Step = uint32_t(std::max(1.0, std::round(32768.0 / Factor)));
    // The wing reaches (Nmult+1)/2 input samples, stretched when
    // down-sampling; keep that much history and look-ahead plus room.
    const int reach =
        Interpolate
            ? 1
            : int(std::ceil((ZeroCrossings(LargeFilter) + 1) / 2.0 * std::max(1.0, 1.0 / Factor)));
    Offset = reach + 10;
    Capacity = kBlock + 2 * Offset;
    InBufs.assign(Channels, std::vector<int32_t>(Capacity, 0));
    Fill = Offset;
    Time = uint32_t(Offset) << kNp;
    FirstCall = true;
}

int TResampler::OutputCapacity(int n) const {
    int cap = int(n * Factor) & ~3;
    if (Factor > 1) cap -= 4 * int(Factor);
    return std::max(cap, 0);
}

int32_t TResampler::Filtered(int ch, uint32_t time) const {
    const std::vector<int32_t>& x = InBufs[ch];
    const int idx = int(time >> kNp);
    const uint32_t phase = time & kPMask;
    if (Interpolate) {
        int64_t v = int64_t(32768 - phase) * x[idx] + int64_t(phase) * x[idx + 1] + 16384;
        return int32_t(v >> 15);
    }
    const TFilterTable& f = Table(LargeFilter);
    const int nwing = int(f.Imp.size());
    const int32_t* imp = f.Imp.data();
    const int32_t* impd = f.ImpD.data();
    int64_t v = 0;
    if (Factor >= 1.0) {
        // Left wing walks back from idx, right wing forward from idx + 1.
        for (int inc = -1; inc <= 1; inc += 2) {
            uint32_t ph = inc < 0 ? phase : ((0u - time) & kPMask);
            int xp = inc < 0 ? idx : idx + 1;
            int hp = int(ph >> kNa);
            const int32_t a = int32_t(ph & kAMask);
            int end = nwing;
            if (inc > 0) {
                --end;
                if (ph == 0) hp += kNpc;
            }
            for (; hp < end; hp += kNpc, xp += inc) {
                int64_t t = imp[hp] + ((int64_t(impd[hp]) * a) >> kNa);
                t *= x[xp];
                v += (t + 0x2000) >> 14;
            }
        }
    } else {
        // Stretched filter: the table step shrinks with the factor.
        const uint32_t dhb = uint32_t(std::min(double(kNpc), Factor * kNpc) * (1 << kNa) + 0.5);
        for (int inc = -1; inc <= 1; inc += 2) {
            uint32_t ph = inc < 0 ? phase : ((0u - time) & kPMask);
            int xp = inc < 0 ? idx : idx + 1;
            uint64_t ho = (uint64_t(ph) * dhb) >> kNp;
            int end = nwing;
            if (inc > 0) {
                --end;
                if (ph == 0) ho += dhb;
            }
            for (; int64_t(ho >> kNa) < end; ho += dhb, xp += inc) {
                const int hp = int(ho >> kNa);
                int64_t t = imp[hp] + ((int64_t(impd[hp]) * int64_t(ho & kAMask)) >> kNa);
                t *= x[xp];
                v += (t + 0x2000) >> 14;
            }
        }
    }
    int64_t scale = GainScale(LargeFilter);
    if (Factor < 1.0) scale = int64_t(scale * Factor + 0.5);
    v >>= 2;
    v *= scale;
    return int32_t(std::clamp<int64_t>((v + 4096) >> 13, -32768, 32767));
}

int TResampler::Produce(int16_t* out, int outCap) {
    int produced = 0;
    while (produced < outCap && int(Time >> kNp) + Offset < Fill) {
        for (int ch = 0; ch < Channels; ++ch)
            out[produced * Channels + ch] = Clamp16(Filtered(ch, Time));
        Time += Step;
        ++produced;
    }
    // Drop the input no output position can reach any more.
    const int drop = int(Time >> kNp) - Offset;
    if (drop > 0) {
        for (auto& buf : InBufs)
            std::memmove(buf.data(), buf.data() + drop, (Fill - drop) * 4);
        Fill -= drop;
        Time -= uint32_t(drop) << kNp;
    }
    return produced;
}

void TResampler::Resample(int& inFrames, int& outFrames, int16_t* out, const int16_t* in) {
    FirstCall = false;
    if (Channels <= 0) {
        inFrames = outFrames = 0;
        return;
    }
    const int offered = std::max(inFrames, 0);
    const int cap = std::max(outFrames, 0);
    // Room is freed as output is produced, so take input in steps.
    int consumed = 0, produced = 0;
    for (;;) {
        const int take = std::min(offered - consumed, Capacity - Fill);
        for (int i = 0; i < take; ++i)
            for (int ch = 0; ch < Channels; ++ch)
                InBufs[ch][Fill + i] = in[(consumed + i) * Channels + ch];
        Fill += take;
        consumed += take;
        const int n = Produce(out + produced * Channels, cap - produced);
        produced += n;
        if (Interpolate && produced == cap && int(Time >> kNp) + Offset < Fill)
            throw ESonvaleError(QStringLiteral("Output array overflow"));
        if (consumed == offered || produced == cap || (take == 0 && n == 0)) break;
    }
    inFrames = consumed;
    outFrames = produced;
}

void TResampler::Flush(int& outFrames, int16_t* out) {
    if (Channels <= 0) {
        outFrames = 0;
        return;
    }
    // Silence as look-ahead for the last real frames; no new positions.
    const uint32_t limit = uint32_t(Fill) << kNp;
    int zeros = std::min(Offset, Capacity - Fill);
    for (auto& buf : InBufs)
        std::fill(buf.begin() + Fill, buf.begin() + Fill + zeros, 0);
    const int realFill = Fill;
    Fill += zeros;
    int produced = 0;
    while (produced < outFrames && Time < limit && int(Time >> kNp) + Offset < Fill) {
        for (int ch = 0; ch < Channels; ++ch)
            out[produced * Channels + ch] = Clamp16(Filtered(ch, Time));
        Time += Step;
        ++produced;
    }
    Fill = realFill;
    outFrames = produced;
}

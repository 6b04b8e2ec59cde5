#include "decoder/AudioSynth.h"

#include "decoder/DecoderTables.h"
#include "decoder/SimdLevel.h"
#include "decoder/SimdOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Matrixing is a 32-point DCT-II, A[m] = sum_k cos(m (2k + 1) pi / 64) S[k], computed by
// the even/odd split: even outputs are the half-size transform of x[k] + x[N-1-k], odd ones
// come from the half-size transform of (x[k] - x[N-1-k]) / (2 cos((2k + 1) pi / 2N)).
// The SIMD paths run the same arithmetic with one time slot per lane. The window is
// reordered so that each time slot's 64-value vector meets its coefficients contiguously,
// and scaled to 16-bit full scale (a power of two, so nothing is rounded differently).
struct TSynthTables {
    float Factors[6][16]; // by log2(N): 1 / (2 cos((2k + 1) pi / 2N))
    alignas(32) float Window[16][32];
    void Fill() {
        const double pi = 3.14159265358979323846;
        for (int lg = 1; lg <= 5; ++lg) {
            int n = 1 << lg;
            for (int k = 0; k < n / 2; ++k)
                Factors[lg][k] = float(0.5 / std::cos((2 * k + 1) * pi / (2.0 * n)));
        }
        // out[j] = sum_i D[64i + j] V(age 2i)[j] + D[64i + 32 + j] V(age 2i + 1)[32 + j]
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 32; ++j) {
                Window[2 * i][j] = float(mpdec::kSynthWindow[64 * i + j] / 2.0);
                Window[2 * i + 1][j] = float(mpdec::kSynthWindow[64 * i + 32 + j] / 2.0);
            }
    }
};
// Filled by the first synthesis, not at start-up (FillTables).
TSynthTables kTables;

void FillTables() {
    static const bool filled = [] {
        kTables.Fill();
        return true;
    }();
    (void)filled;
}

#if defined(__GNUC__)
#define SYNTH_INLINE [[gnu::always_inline]] inline
#else
#define SYNTH_INLINE inline
#endif

template <class T, int N> struct TDct {
    SYNTH_INLINE static void Run(const T* x, T* out) {
        constexpr int H = N / 2;
        constexpr int Lg = N == 4 ? 2 : N == 8 ? 3 : N == 16 ? 4 : 5;
        const float* f = kTables.Factors[Lg];
        T a[H], b[H], ea[H], ob[H];
#pragma GCC unroll 16
        for (int k = 0; k < H; ++k) {
            a[k] = x[k] + x[N - 1 - k];
            b[k] = (x[k] - x[N - 1 - k]) * f[k];
        }
        TDct<T, H>::Run(a, ea);
        TDct<T, H>::Run(b, ob);
#pragma GCC unroll 16
        for (int m = 0; m < H; ++m)
            out[2 * m] = ea[m];
#pragma GCC unroll 16
        for (int m = 0; m < H - 1; ++m)
            out[2 * m + 1] = ob[m] + ob[m + 1];
        out[N - 1] = ob[H - 1];
    }
};

template <class T> struct TDct<T, 2> {
    SYNTH_INLINE static void Run(const T* x, T* out) {
        out[0] = x[0] + x[1];
        out[1] = (x[0] - x[1]) * 0.70710678118654752f;
    }
};

// The 64-value vector of one slot: V[i] = A[16 + i] (i <= 15), 0 (i = 16), -A[48 - i]
// (17..47), -A[i - 48] (48..63).
template <class T> SYNTH_INLINE void Matrix(const T* x, T* v) {
    T a[32];
    TDct<T, 32>::Run(x, a);
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i)
        v[i] = a[16 + i];
    v[16] = T{};
#pragma GCC unroll 32
    for (int i = 17; i < 48; ++i)
        v[i] = -a[48 - i];
#pragma GCC unroll 16
    for (int i = 48; i < 64; ++i)
        v[i] = -a[i - 48];
}

inline int16_t Clip16(float v) {
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    // round to nearest even through the float adder: 1.5 * 2^23 puts the integer part
    // in the low mantissa bits
    float t = v + 12582912.0f;
    int32_t bits;
    std::memcpy(&bits, &t, sizeof(bits));
    return int16_t(bits - 0x4B400000);
}

// Ring rows of the slots of one batch, newest last.
struct TBatch {
    const float (*Slots)[32];
    int Count;
    int Pos[8];
};

void WindowPortable(const float (*hist)[64], int pos, int16_t* out) {
    float acc[32] = {};
    for (int age = 0; age < 16; ++age) {
        const float* hv = hist[(pos + age) & 31] + ((age & 1) ? 32 : 0);
        const float* w = kTables.Window[age];
        for (int j = 0; j < 32; ++j)
            acc[j] += w[j] * hv[j];
    }
    for (int j = 0; j < 32; ++j)
        out[j] = Clip16(acc[j]);
}

void SynthPortable(float (*hist)[64], const TBatch& b, int16_t* out) {
    for (int k = 0; k < b.Count; ++k) {
        Matrix<float>(b.Slots[k], hist[b.Pos[k]]);
        WindowPortable(hist, b.Pos[k], out + 32 * k);
    }
}

#ifdef MPDEC_X86

// The explicit SIMD kernels want their small loops unrolled and everything inlined.
[[gnu::optimize("O3")]] void SynthSse2(float (*hist)[64], const TBatch& b, int16_t* out) {
    // four slots at a time, one per lane
    for (int k0 = 0; k0 < b.Count; k0 += 4) {
        const int n = std::min(4, b.Count - k0);
        __m128 x[32], v[64];
        for (int q = 0; q < 8; ++q) {
            __m128 r[4];
            for (int i = 0; i < 4; ++i)
                r[i] = i < n ? _mm_loadu_ps(b.Slots[k0 + i] + 4 * q) : _mm_setzero_ps();
            _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
            for (int i = 0; i < 4; ++i)
                x[4 * q + i] = r[i];
        }
        Matrix<__m128>(x, v);
        for (int q = 0; q < 16; ++q) {
            __m128 r0 = v[4 * q], r1 = v[4 * q + 1], r2 = v[4 * q + 2], r3 = v[4 * q + 3];
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            const __m128 r[4] = {r0, r1, r2, r3};
            for (int i = 0; i < n; ++i)
                _mm_store_ps(hist[b.Pos[k0 + i]] + 4 * q, r[i]);
        }
        for (int i = 0; i < n; ++i) {
            const int pos = b.Pos[k0 + i];
            __m128 acc[8];
            for (int j = 0; j < 8; ++j)
                acc[j] = _mm_setzero_ps();
            for (int age = 0; age < 16; ++age) {
                const float* hv = hist[(pos + age) & 31] + ((age & 1) ? 32 : 0);
                const float* w = kTables.Window[age];
                for (int j = 0; j < 8; ++j)
                    acc[j] = _mm_add_ps(
                        acc[j], _mm_mul_ps(_mm_load_ps(w + 4 * j), _mm_load_ps(hv + 4 * j)));
            }
            const __m128 hi = _mm_set1_ps(32767.0f), lo = _mm_set1_ps(-32768.0f);
            auto* o = reinterpret_cast<__m128i*>(out + 32 * (k0 + i));
            for (int j = 0; j < 4; ++j) {
                __m128i a = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(acc[2 * j], hi), lo));
                __m128i c = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(acc[2 * j + 1], hi), lo));
                _mm_storeu_si128(o + j, _mm_packs_epi32(a, c));
            }
        }
    }
}

[[gnu::target("avx2,fma"), gnu::optimize("O3")]] void SynthAvx2(float (*hist)[64], const TBatch& b,
                                                                int16_t* out) {
    // eight slots at a time, one per lane
    const int n = b.Count;
    __m256 x[32], v[64];
    for (int q = 0; q < 4; ++q) {
        __m256 r[8];
        for (int i = 0; i < 8; ++i)
            r[i] = i < n ? _mm256_loadu_ps(b.Slots[i] + 8 * q) : _mm256_setzero_ps();
        mpdec::Transpose8(r);
        for (int i = 0; i < 8; ++i)
            x[8 * q + i] = r[i];
    }
    Matrix<__m256>(x, v);
    for (int q = 0; q < 8; ++q) {
        mpdec::Transpose8(v + 8 * q);
        for (int i = 0; i < n; ++i)
            _mm256_store_ps(hist[b.Pos[i]] + 8 * q, v[8 * q + i]);
    }
    const __m256 hi = _mm256_set1_ps(32767.0f), lo = _mm256_set1_ps(-32768.0f);
    for (int i = 0; i < n; ++i) {
        const int pos = b.Pos[i];
        // even and odd ages in separate sums: shorter dependency chains
        __m256 acc[8];
        for (int j = 0; j < 8; ++j)
            acc[j] = _mm256_setzero_ps();
        for (int age = 0; age < 16; age += 2) {
            const float* he = hist[(pos + age) & 31];
            const float* ho = hist[(pos + age + 1) & 31] + 32;
            const float* we = kTables.Window[age];
            const float* wo = kTables.Window[age + 1];
            for (int j = 0; j < 4; ++j) {
                acc[j] =
                    _mm256_fmadd_ps(_mm256_load_ps(we + 8 * j), _mm256_load_ps(he + 8 * j), acc[j]);
                acc[4 + j] = _mm256_fmadd_ps(_mm256_load_ps(wo + 8 * j), _mm256_load_ps(ho + 8 * j),
                                             acc[4 + j]);
            }
        }
        auto* o = reinterpret_cast<__m256i*>(out + 32 * i);
        for (int j = 0; j < 2; ++j) {
            __m256 s0 = _mm256_add_ps(acc[2 * j], acc[4 + 2 * j]);
            __m256 s1 = _mm256_add_ps(acc[2 * j + 1], acc[5 + 2 * j]);
            __m256i a = _mm256_cvtps_epi32(_mm256_max_ps(_mm256_min_ps(s0, hi), lo));
            __m256i c = _mm256_cvtps_epi32(_mm256_max_ps(_mm256_min_ps(s1, hi), lo));
            // packs works per 128-bit half: put the quarters back in order
            _mm256_storeu_si256(o + j, _mm256_permute4x64_epi64(_mm256_packs_epi32(a, c), 0xD8));
        }
    }
}

#endif

} // namespace

TAudioSynth::TAudioSynth() {
    Reset();
}

void TAudioSynth::Reset() {
    std::memset(History, 0, sizeof(History));
    Slot[0] = Slot[1] = 0;
}

void TAudioSynth::Synth(int ch, const float (*slots)[32], int count, int16_t* out) {
    FillTables();
    ch &= 1;
    const mpdec::TSimd simd = mpdec::CurrentSimd();
    for (int done = 0; done < count;) {
        TBatch b;
        b.Slots = slots + done;
        b.Count = std::min(count - done, 8);
        for (int k = 0; k < b.Count; ++k)
            b.Pos[k] = Slot[ch] = (Slot[ch] + kRing - 1) & (kRing - 1);
#ifdef MPDEC_X86
        if (simd == mpdec::TSimd::Avx2)
            SynthAvx2(History[ch], b, out + 32 * done);
        else if (simd == mpdec::TSimd::Sse2)
            SynthSse2(History[ch], b, out + 32 * done);
        else
#endif
            SynthPortable(History[ch], b, out + 32 * done);
        done += b.Count;
    }
}

void TAudioSynth::Interleave(const int16_t* l, const int16_t* r, int count, int16_t* out) {
    int i = 0;
#ifdef MPDEC_X86
    if (mpdec::CurrentSimd() != mpdec::TSimd::Portable)
        for (; i + 8 <= count; i += 8) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + i));
            __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi16(a, c));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 8), _mm_unpackhi_epi16(a, c));
        }
#endif
    for (; i < count; ++i) {
        out[2 * i] = l[i];
        out[2 * i + 1] = r[i];
    }
}

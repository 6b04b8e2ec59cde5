// The filter banks are written as plain loops for the vectoriser.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "decoder/AudioSynth.h"

#include "decoder/DecoderTables.h"

#include <cmath>
#include <cstring>

namespace {

// Matrixing is a 32-point DCT-II, A[m] = sum_k cos(m (2k + 1) pi / 64) S[k], computed by
// the even/odd split: even outputs are the half-size transform of x[k] + x[N-1-k], odd ones
// come from the half-size transform of (x[k] - x[N-1-k]) / (2 cos((2k + 1) pi / 2N)).
// The window is reordered so that each time slot's 64-value vector meets its coefficients
// contiguously.
struct TSynthTables {
    float Factors[6][16]; // by log2(N): 1 / (2 cos((2k + 1) pi / 2N))
    alignas(32) float Window[16][32];
    TSynthTables() {
        const double pi = 3.14159265358979323846;
        for (int lg = 1; lg <= 5; ++lg) {
            int n = 1 << lg;
            for (int k = 0; k < n / 2; ++k)
                Factors[lg][k] = float(0.5 / std::cos((2 * k + 1) * pi / (2.0 * n)));
        }
        // out[j] = sum_i D[64i + j] V(age 2i)[j] + D[64i + 32 + j] V(age 2i + 1)[32 + j]
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 32; ++j) {
                Window[2 * i][j] = float(mpdec::kSynthWindow[64 * i + j] / 65536.0);
                Window[2 * i + 1][j] = float(mpdec::kSynthWindow[64 * i + 32 + j] / 65536.0);
            }
    }
};
const TSynthTables kTables;

inline int16_t Clip16(float v) {
    v *= 32768.0f;
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    // round to nearest even through the float adder: 1.5 * 2^23 puts the integer part
    // in the low mantissa bits
    float t = v + 12582912.0f;
    int32_t bits;
    std::memcpy(&bits, &t, sizeof(bits));
    return int16_t(bits - 0x4B400000);
}

#if defined(__GNUC__)
#define SYNTH_INLINE [[gnu::always_inline]] inline
#else
#define SYNTH_INLINE inline
#endif

template <int N> SYNTH_INLINE void Dct(const float* x, float* out);

template <> SYNTH_INLINE void Dct<2>(const float* x, float* out) {
    out[0] = x[0] + x[1];
    out[1] = (x[0] - x[1]) * 0.70710678118654752f;
}

template <int N> SYNTH_INLINE void Dct(const float* x, float* out) {
    constexpr int H = N / 2;
    constexpr int Lg = N == 4 ? 2 : N == 8 ? 3 : N == 16 ? 4 : 5;
    const float* f = kTables.Factors[Lg];
    float a[H], b[H], ea[H], ob[H];
    for (int k = 0; k < H; ++k) {
        a[k] = x[k] + x[N - 1 - k];
        b[k] = (x[k] - x[N - 1 - k]) * f[k];
    }
    Dct<H>(a, ea);
    Dct<H>(b, ob);
    for (int m = 0; m < H; ++m)
        out[2 * m] = ea[m];
    for (int m = 0; m < H - 1; ++m)
        out[2 * m + 1] = ob[m] + ob[m + 1];
    out[N - 1] = ob[H - 1];
}

} // namespace

TAudioSynth::TAudioSynth() {
    Reset();
}

void TAudioSynth::Reset() {
    std::memset(History, 0, sizeof(History));
    Slot[0] = Slot[1] = 0;
}

void TAudioSynth::Synth(int ch, const float* s, int16_t* out, int stride) {
    ch &= 1;
    alignas(32) float a[32];
    Dct<32>(s, a);
    // V[i] = A[16 + i] (i <= 15), 0 (i = 16), -A[48 - i] (17..47), -A[i - 48] (48..63)
    int slot = (Slot[ch] + 15) & 15;
    Slot[ch] = slot;
    float* v = History[ch][slot];
    for (int i = 0; i < 16; ++i)
        v[i] = a[16 + i];
    v[16] = 0.0f;
    for (int i = 17; i < 48; ++i)
        v[i] = -a[48 - i];
    for (int i = 48; i < 64; ++i)
        v[i] = -a[i - 48];

#if defined(__GNUC__)
    typedef float V4 __attribute__((vector_size(16)));
    V4 sum[8] = {};
    for (int age = 0; age < 16; ++age) {
        const V4* hv =
            reinterpret_cast<const V4*>(History[ch][(slot + age) & 15] + ((age & 1) ? 32 : 0));
        const V4* w = reinterpret_cast<const V4*>(kTables.Window[age]);
        for (int j = 0; j < 8; ++j)
            sum[j] += w[j] * hv[j];
    }
    // scale, clip and round to nearest even through the float adder, four at a time
    typedef int32_t V4i __attribute__((vector_size(16)));
    const V4 scale = {32768.0f, 32768.0f, 32768.0f, 32768.0f};
    const V4 hi = {32767.0f, 32767.0f, 32767.0f, 32767.0f};
    const V4 lo = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const V4 magic = {12582912.0f, 12582912.0f, 12582912.0f, 12582912.0f};
    for (int j = 0; j < 8; ++j) {
        V4 v = sum[j] * scale;
        v = v > hi ? hi : v;
        v = v < lo ? lo : v;
        v += magic;
        V4i bits;
        std::memcpy(&bits, &v, sizeof(bits));
        for (int k = 0; k < 4; ++k)
            out[(4 * j + k) * stride] = int16_t(bits[k] - 0x4B400000);
    }
#else
    alignas(32) float acc[32];
    for (int j = 0; j < 32; ++j)
        acc[j] = 0.0f;
    for (int age = 0; age < 16; ++age) {
        const float* hv = History[ch][(slot + age) & 15] + ((age & 1) ? 32 : 0);
        const float* w = kTables.Window[age];
        for (int j = 0; j < 32; ++j)
            acc[j] += w[j] * hv[j];
    }
    for (int j = 0; j < 32; ++j)
        out[j * stride] = Clip16(acc[j]);
#endif
}

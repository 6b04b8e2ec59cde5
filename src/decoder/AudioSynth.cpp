#include "decoder/AudioSynth.h"

#include "decoder/DecoderTables.h"

#include <cmath>
#include <cstring>

namespace {

// Matrixing: A[m] = sum_k cos(m (2k + 1) pi / 64) S[k] for m = 0..31, stored by k so the
// inner loop runs over m. The window is reordered so that each time slot's 64-value vector
// meets its 32 coefficients contiguously.
struct TSynthTables {
    alignas(32) float Matrix[32][32];
    alignas(32) float Window[16][32];
    TSynthTables() {
        const double pi = 3.14159265358979323846;
        for (int k = 0; k < 32; ++k)
            for (int m = 0; m < 32; ++m)
                Matrix[k][m] = float(std::cos(m * (2 * k + 1) * pi / 64.0));
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
    return int16_t(std::lrint(v));
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
    for (int m = 0; m < 32; ++m)
        a[m] = 0.0f;
    for (int k = 0; k < 32; ++k) {
        const float sk = s[k];
        if (sk == 0.0f) continue;
        const float* row = kTables.Matrix[k];
        for (int m = 0; m < 32; ++m)
            a[m] += row[m] * sk;
    }
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
}

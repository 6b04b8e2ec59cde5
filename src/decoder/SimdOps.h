#pragma once

// Small x86 helpers shared by the SSE2 and AVX2 filter-bank paths. Functions that use AVX
// carry their own target attribute, so that this header needs no special compiler flags.

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define MPDEC_X86 1
#include <immintrin.h>

namespace mpdec {

// Rows r[0..7] of eight floats become columns.
[[gnu::target("avx2,fma")]] inline void Transpose8(__m256* r) {
    __m256 t[8], s[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
    }
    for (int h = 0; h < 2; ++h) {
        __m256* tt = t + 4 * h;
        s[4 * h] = _mm256_shuffle_ps(tt[0], tt[2], _MM_SHUFFLE(1, 0, 1, 0));
        s[4 * h + 1] = _mm256_shuffle_ps(tt[0], tt[2], _MM_SHUFFLE(3, 2, 3, 2));
        s[4 * h + 2] = _mm256_shuffle_ps(tt[1], tt[3], _MM_SHUFFLE(1, 0, 1, 0));
        s[4 * h + 3] = _mm256_shuffle_ps(tt[1], tt[3], _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2f128_ps(s[i], s[i + 4], 0x20);
        r[i + 4] = _mm256_permute2f128_ps(s[i], s[i + 4], 0x31);
    }
}

} // namespace mpdec

#endif

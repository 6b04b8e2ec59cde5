#pragma once

namespace mpdec {

// Instruction sets the filter banks can use. Portable is plain C++; the others exist only
// on x86 and are used when the CPU has them.
enum class TSimd { Portable = 0, Sse2 = 1, Avx2 = 2 };

// What this CPU offers (AVX2 counts only together with FMA).
TSimd BestSimd();
// The set in use: the best one, or the one named by SONVALE_DECODER_SIMD ("portable",
// "sse2", "avx2") at the first call, or the one last given to SetSimd.
TSimd CurrentSimd();
// Chooses the set for all decoders from now on, limited to what the CPU offers; returns
// the set in use.
TSimd SetSimd(TSimd simd);

} // namespace mpdec

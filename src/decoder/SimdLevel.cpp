#include "decoder/SimdLevel.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace mpdec {

namespace {

TSimd FromEnvironment() {
    const char* name = std::getenv("SONVALE_DECODER_SIMD");
    if (!name) return BestSimd();
    if (!std::strcmp(name, "portable")) return TSimd::Portable;
    if (!std::strcmp(name, "sse2")) return TSimd::Sse2;
    return TSimd::Avx2;
}

TSimd Limit(TSimd simd) {
    return int(simd) <= int(BestSimd()) ? simd : BestSimd();
}

std::atomic<int>& Current() {
    static std::atomic<int> current{int(Limit(FromEnvironment()))};
    return current;
}

} // namespace

TSimd BestSimd() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    static const TSimd best = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")
                                  ? TSimd::Avx2
                              : __builtin_cpu_supports("sse2") ? TSimd::Sse2
                                                               : TSimd::Portable;
    return best;
#else
    return TSimd::Portable;
#endif
}

TSimd CurrentSimd() {
    return TSimd(Current().load(std::memory_order_relaxed));
}

TSimd SetSimd(TSimd simd) {
    simd = Limit(simd);
    Current().store(int(simd), std::memory_order_relaxed);
    return simd;
}

} // namespace mpdec

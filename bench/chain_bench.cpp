// PCM chain throughput: 16-bit stereo 44100 -> 48000, as a multiple of real
// time (the "xRealTime" counter).
#include "audio/Compressor.h"
#include "audio/Resampler.h"
#include "audio/RsmpFilter.h"
#include "support/AudioFixtures.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

class TLoopSource : public TAbstractAudioFile {
public:
    explicit TLoopSource(std::vector<int16_t> pcm)
        : TAbstractAudioFile(QStringLiteral("loop")), Pcm(std::move(pcm)) {}
    int32_t GetChannels() override { return 2; }
    int32_t GetSampleRate() override { return 44100; }
    int32_t GetBitsPerSample() override { return 16; }
    bool Read(void* buffer, int& count) override {
        const int64_t size = int64_t(Pcm.size()) * 2;
        auto* out = static_cast<char*>(buffer);
        for (int done = 0; done < count;) {
            int n = int(std::min<int64_t>(count - done, size - Pos));
            std::memcpy(out + done, reinterpret_cast<const char*>(Pcm.data()) + Pos, n);
            done += n;
            Pos = (Pos + n) % size;
        }
        return true;
    }
    std::vector<int16_t> Pcm;
    int64_t Pos = 0;
};

void BM_Chain44100To48000(benchmark::State& state) {
    const bool large = state.range(0) != 0;
    const bool compress = state.range(1) != 0;
    TLoopSource src(fixtures::MakeNoise(44100, 2, 1.0));
    TRsmpFilter filter(&src, 2, 48000);
    if (large) {
        filter.Resampler = std::make_unique<TResampler>(true, false, false);
        filter.Resampler->Setup(2, 48000.0 / 44100);
    }
    TCompressor comp(&filter);
    comp.Enabled = compress;
    comp.AutoBoost = true;
    std::vector<char> buf(16384);
    int64_t bytes = 0;
    for (auto _ : state) {
        int n = int(buf.size());
        comp.Read(buf.data(), n);
        bytes += n;
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(bytes);
    // Output seconds per wall-clock second.
    state.counters["xRealTime"] =
        benchmark::Counter(double(bytes) / (48000.0 * 4), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Chain44100To48000)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"large", "compress"});

} // namespace
BENCHMARK_MAIN();

// Opening files through the facade, as every tool does per list entry.
#include "audio/AudioFile.h"
#include "io/Mask.h"
#include "support/AudioFixtures.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_OpenWaveProperties(benchmark::State& state) {
    QTemporaryDir dir;
    const int files = int(state.range(0));
    QByteArray wave = fixtures::MakeWave(44100, 2, 16, fixtures::MakeSine(44100, 2, 0.1));
    QStringList names;
    for (int i = 0; i < files; ++i) {
        names << dir.filePath(QStringLiteral("f%1.wav").arg(i));
        fixtures::WriteFile(names.back(), wave);
    }
    TAudioFile af;
    for (auto _ : state) {
        int64_t total = 0;
        for (const QString& n : names) {
            af.SetFileName(n);
            if (af.Open()) total += af.Reader->GetPcmSize() + af.Reader->GetBitrate();
            af.Close();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_OpenWaveProperties)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_MaskMatch(benchmark::State& state) {
    TMask mask(QStringLiteral("*.mp[123]"));
    QString name = QStringLiteral("/music/Some Artist/Some Album/07 - A Rather Long Title.mp3");
    for (auto _ : state)
        benchmark::DoNotOptimize(mask.Matches(name));
}
BENCHMARK(BM_MaskMatch);

} // namespace

BENCHMARK_MAIN();

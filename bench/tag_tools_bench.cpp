// The batch tools at collection scale: the multiple-files tagger and the tag remover
// over 1,000 MP3 files, and the folder scan over 20,000 entries. Files per second in
// the "files" counter.
#include "support/AudioFixtures.h"
#include "support/NumberedFiles.h"
#include "support/ScriptedPrompter.h"
#include "tools/FolderScan.h"
#include "tools/MultiTagger.h"
#include "tools/Progress.h"
#include "tools/TagRemover.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

TMultiTaggerOptions Album(const QStringList& files) {
    TMultiTaggerOptions o;
    o.Paths = files;
    o.Artist = QStringLiteral("Artist");
    o.Album = QStringLiteral("Album");
    o.Year = QStringLiteral("2003");
    o.Genre = QStringLiteral("Rock");
    return o;
}

void BM_MultiTagger(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), fixtures::SilentMp3Frames(48));
    const TMultiTaggerOptions options = Album(folder.files);
    TNullProgress progress;
    for (auto _ : state) {
        TScriptedPrompter prompter;
        const TMultiTaggerResult r = RunMultiTagger(options, progress, prompter);
        if (r.Failed != 0) state.SkipWithError("a file failed");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MultiTagger)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_TagRemover(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), fixtures::SilentMp3Frames(48));
    TNullProgress progress;
    TTagRemoverOptions options;
    options.Paths = folder.files;
    options.Kinds = 15;
    for (auto _ : state) {
        state.PauseTiming();
        TScriptedPrompter quiet;
        RunMultiTagger(Album(folder.files), progress, quiet);
        state.ResumeTiming();
        TScriptedPrompter prompter;
        if (!RunTagRemover(options, progress, prompter).Result) state.SkipWithError("failed");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TagRemover)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FolderScan(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), QByteArray());
    int64_t found = 0;
    for (auto _ : state) {
        TFolderScanHooks hooks;
        hooks.File = [&found](const QString& path) { found += IsListablePath(path); };
        ScanFolder(folder.dir.path(), true, hooks);
    }
    if (found != state.iterations() * state.range(0)) state.SkipWithError("files missed");
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FolderScan)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The organizer over 10,000 tagged files (rename and move within one file system) and
// the magic folder over 20,000 songs: reading the tree and creating its 60,000 links.
// Files per second in the "files" counter.
#include "organizer_bench.h"

#include "support/ScriptedPrompter.h"
#include "tools/MagicFolder.h"
#include "tools/Organizer.h"
#include "tools/Progress.h"

#include <unistd.h>

namespace {

void BM_Organizer(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir out;
    const QString base = out.path();
    TOrganizerOptions o;
    o.Rename = true;
    o.Move = true;
    o.SubDirPattern = QStringLiteral("%1\\%3");
    o.BaseDir = base;
    TNullProgress progress;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(base).removeRecursively();
        QDir().mkpath(base);
        const auto songs = bench::TaggedSongs(count);
        o.Paths = songs->files;
        // The moves sync their folders; the new files' own write-back is not theirs to pay.
        ::sync();
        state.ResumeTiming();
        TScriptedPrompter prompter;
        const TOrganizerResult r = RunOrganizer(o, progress, prompter);
        if (r.Moved != count) state.SkipWithError("a file was not moved");
    }
    state.counters["files"] =
        benchmark::Counter(double(state.iterations() * count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Organizer)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_MagicTree(benchmark::State& state) {
    const auto songs = bench::TaggedSongs(int(state.range(0)));
    TMagicBuildOptions o;
    o.Paths = songs->files;
    TNullProgress progress;
    for (auto _ : state) {
        TMagicTree tree;
        TScriptedPrompter prompter;
        BuildMagicTree(o, tree, progress, prompter);
        tree.Sort();
        if (tree.Count != 3 * state.range(0)) state.SkipWithError("a song is missing");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MagicTree)->Arg(20000)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_MagicCreate(benchmark::State& state) {
    const auto songs = bench::TaggedSongs(int(state.range(0)));
    const TMagicTree tree = bench::MagicTree(songs->files);
    QTemporaryDir out;
    TMagicCreateOptions o;
    o.BaseFolder = out.filePath(QStringLiteral("magic"));
    TNullProgress progress;
    for (auto _ : state) {
        TScriptedPrompter prompter;
        const TMagicCreateResult r = CreateMagicFolder(tree, o, progress, prompter);
        if (r.Made != tree.Count) state.SkipWithError("a link is missing");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MagicCreate)->Arg(20000)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

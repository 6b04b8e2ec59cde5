// The cleaners at collection scale, files per second in the "files" counter:
// - the name cleaner over 10,000 files of one folder, half of which get new names (and
//   at 20,000, to show the run grows linearly with the list);
// - the tag cleaner over 1,000 tagged MP3s, beside the multiple-files tagger's run on the
//   same files (BM_MultiTaggerSameFiles);
// - the incomplete-tags finder over 20,000 MP3s; `sonvale-cli info` over the same folder
//   is the yardstick (it opens each file the same way and reads its properties too).
#include "support/AudioFixtures.h"
#include "support/NumberedFiles.h"
#include "support/ScriptedPrompter.h"
#include "tools/IncompleteTags.h"
#include "tools/MultiTagger.h"
#include "tools/NameCleaner.h"
#include "tools/Progress.h"
#include "tools/TagCleaner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_NameCleaner(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    QStringList messy, clean;
    for (int i = 0; i < count; ++i) {
        // Every other name has underscores and an upper-case extension.
        messy << dir.filePath(i % 2 ? QStringLiteral("track_%1_of_album.MP3").arg(i)
                                    : QStringLiteral("track %1 of album.mp3").arg(i));
        clean << dir.filePath(QStringLiteral("track %1 of album.mp3").arg(i));
        QFile f(messy.last());
        if (!f.open(QIODevice::WriteOnly)) std::abort();
    }
    TNameCleanerOptions options;
    options.Clean.UnderscoresToSpaces = options.Clean.MergeSpaces = true;
    TNullProgress progress;
    for (auto _ : state) {
        options.Paths = messy;
        TScriptedPrompter prompter;
        const TNameCleanerResult r = RunNameCleaner(options, progress, prompter);
        if (r.Renamed != count / 2 || r.Failed != 0) state.SkipWithError("not renamed");
        state.PauseTiming();
        for (int i = 1; i < count; i += 2)
            QFile::rename(clean[i], messy[i]);
        state.ResumeTiming();
    }
    state.counters["files"] =
        benchmark::Counter(double(state.iterations() * count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NameCleaner)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

TMultiTaggerOptions Album(const QStringList& files) {
    TMultiTaggerOptions o;
    o.Paths = files;
    o.Artist = QStringLiteral("The_Artist");
    o.Album = QStringLiteral("Some  Album");
    o.Year = QStringLiteral("2003");
    o.Genre = QStringLiteral("Rock");
    return o;
}

// One file as the tagger leaves it, whose bytes every numbered file gets.
QByteArray TaggedMp3() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.mp3"));
    fixtures::WriteFile(path, fixtures::SilentMp3Frames(48));
    TNullProgress progress;
    TScriptedPrompter quiet;
    RunMultiTagger(Album({path}), progress, quiet);
    return fixtures::ReadFile(path);
}

void BM_TagCleaner(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), TaggedMp3());
    TNullProgress progress;
    TTagCleanerOptions options;
    options.Paths = folder.files;
    options.Clean.UnderscoresToSpaces = options.Clean.MergeSpaces = true;
    for (auto _ : state) {
        TScriptedPrompter prompter;
        if (RunTagCleaner(options, progress, prompter).Failed != 0) state.SkipWithError("failed");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TagCleaner)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_MultiTaggerSameFiles(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), TaggedMp3());
    TNullProgress progress;
    const TMultiTaggerOptions options = Album(folder.files);
    for (auto _ : state) {
        TScriptedPrompter prompter;
        if (RunMultiTagger(options, progress, prompter).Failed != 0) state.SkipWithError("failed");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MultiTaggerSameFiles)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_IncompleteTags(benchmark::State& state) {
    TNumberedFiles folder(int(state.range(0)), TaggedMp3());
    TNullProgress progress;
    TIncompleteOptions options;
    options.Paths = folder.files;
    options.Fields = IncompleteFieldNames();
    for (auto _ : state) {
        TScriptedPrompter prompter;
        const TIncompleteResult r = FindIncompleteTags(options, progress, prompter);
        if (r.Listed.size() != folder.files.size()) state.SkipWithError("not listed");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IncompleteTags)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

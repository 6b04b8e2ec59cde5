// The files lister over 20,000 MP3 files beside what `sonvale-cli info` does per file
// (open, properties, close), and the playlist checker over a 100,000-entry playlist, half
// of whose entries name missing files. Files or entries per second in the counters.
#include "audio/AudioFile.h"
#include "support/AudioFixtures.h"
#include "support/NumberedFiles.h"
#include "tools/FilesLister.h"
#include "tools/Playlist.h"
#include "tools/PlaylistTools.h"
#include "tools/Progress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

TNumberedFiles& Files() {
    static TNumberedFiles folder(20000, fixtures::SilentMp3Frames(48));
    return folder;
}

void BM_ListerAllColumns(benchmark::State& state) {
    TListerOptions options;
    options.Paths = Files().files;
    options.Columns = (1 << kListColumnCount) - 1;
    options.Layout = TListLayout(state.range(0));
    TNullProgress progress;
    qsizetype bytes = 0;
    for (auto _ : state) {
        TListerResult result;
        bytes = BuildListing(options, progress, result).size();
        if (result.Skipped != 0) state.SkipWithError("a file was skipped");
    }
    state.counters["files"] = benchmark::Counter(double(state.iterations() * options.Paths.size()),
                                                 benchmark::Counter::kIsRate);
    state.counters["listing_bytes"] = double(bytes);
}
BENCHMARK(BM_ListerAllColumns)
    ->Arg(int(TListLayout::Raw))
    ->Arg(int(TListLayout::Xml))
    ->Unit(benchmark::kMillisecond);

// What the info command does for each file, without its printing.
void BM_InfoPerFile(benchmark::State& state) {
    const QStringList& files = Files().files;
    for (auto _ : state) {
        TAudioFile af;
        for (const QString& f : files) {
            af.SetFileName(f);
            if (!af.Open()) state.SkipWithError("not opened");
            benchmark::DoNotOptimize(af.Reader->GetBitrate() + af.Reader->GetSampleRate() +
                                     af.Reader->GetDuration() + af.Reader->GetFileSize());
            af.Close();
        }
    }
    state.counters["files"] =
        benchmark::Counter(double(state.iterations() * files.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InfoPerFile)->Unit(benchmark::kMillisecond);

// Load (read and resolve) and analyse; every other entry names a file that is gone.
void BM_CheckerAnalyse(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    const QStringList& files = Files().files;
    QByteArray text = "#EXTM3U\r\n";
    for (int i = 0; i < count; ++i)
        text +=
            (i % 2 ? files[i % files.size()] : dir.filePath(QString::asprintf("gone%06d.mp3", i)))
                .toUtf8() +
            "\r\n";
    const QString playlist = dir.filePath(QStringLiteral("big.m3u"));
    if (!fixtures::WriteFile(playlist, text)) std::abort();
    TNullProgress progress;
    for (auto _ : state) {
        const TLoadedPlaylist loaded = LoadPlaylistForCheck(playlist);
        const TPlaylistAnalysis a = AnalysePlaylist(loaded.Entries, loaded.Folder, progress);
        if (a.Valid.size() != count / 2) state.SkipWithError("wrong count");
    }
    state.counters["entries"] =
        benchmark::Counter(double(state.iterations() * count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CheckerAnalyse)->Arg(100000)->Unit(benchmark::kMillisecond);

// Reading alone: a million relative lines.
void BM_ParseM3u(benchmark::State& state) {
    QByteArray text;
    for (int i = 0; i < state.range(0); ++i)
        text += QByteArray("Artist/Album/") + QByteArray::number(i) + " - Title.mp3\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(ParsePlaylist(text, QStringLiteral("m3u"), QString()).size());
    state.counters["lines"] = benchmark::Counter(double(state.iterations() * state.range(0)),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseM3u)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

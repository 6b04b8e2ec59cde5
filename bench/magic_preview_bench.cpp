// The magic folder preview opening on 20,000 songs (60,000 links): the tree into the
// view, shown and painted once.
#include "organizer_bench.h"

#include "gui/MagicDlg.h"
#include "gui/MainDlg.h"

#include <QApplication>

namespace {

void BM_MagicPreview(benchmark::State& state) {
    const auto songs = bench::TaggedSongs(int(state.range(0)));
    const TMagicTree tree = bench::MagicTree(songs->files);
    TMainDlg main(std::make_shared<TScriptedPrompter>());
    auto* preview = main.findChild<TMagicDlg*>(QStringLiteral("TMagicDlg"));
    for (auto _ : state) {
        preview->ShowTree(tree);
        preview->show();
        QApplication::processEvents();
        preview->hide();
    }
    state.counters["leaves"] = double(tree.Count);
}
BENCHMARK(BM_MagicPreview)->Arg(20000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Rewriting the comment header of a long Ogg Vorbis file, and opening it.
#include "audio/OggFile.h"
#include "support/TagFiles.h"
#include "tags/OggTag.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// A five-minute stereo file made by oggenc, or empty without it.
const QString& LongFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        QString wav = dir.filePath(QStringLiteral("long.wav"));
        QString ogg = dir.filePath(QStringLiteral("long.ogg"));
        const int rate = 44100, frames = rate * 300;
        QByteArray pcm(frames * 4, Qt::Uninitialized);
        auto* s = reinterpret_cast<int16_t*>(pcm.data());
        for (int i = 0; i < frames; ++i) {
            s[2 * i] = int16_t(9000 * std::sin(i * 0.031));
            s[2 * i + 1] = int16_t(7000 * std::sin(i * 0.017));
        }
        auto le32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
        auto le16 = [](uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
        QFile f(wav);
        if (!f.open(QIODevice::WriteOnly)) return QString();
        f.write("RIFF" + le32(36 + pcm.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(2) +
                le32(rate) + le32(rate * 4) + le16(4) + le16(16) + "data" + le32(pcm.size()) + pcm);
        f.close();
        QProcess p;
        p.start(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-o"), ogg, wav});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) return QString();
        return ogg;
    }();
    return path;
}

void BM_RewriteComments(benchmark::State& state) {
    const QString& path = LongFile();
    if (path.isEmpty()) {
        state.SkipWithError("oggenc missing");
        return;
    }
    TOggTagFile tag;
    int round = 0;
    for (auto _ : state) {
        tag.FileName = path;
        tag.Fields = {QStringLiteral("TITLE=round %1").arg(++round),
                      QStringLiteral("PAD=") + QString(round % 2 ? 10 : 9000, QLatin1Char('p'))};
        benchmark::DoNotOptimize(tag.Write());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_RewriteComments)->Unit(benchmark::kMillisecond);

void BM_OpenReader(benchmark::State& state) {
    const QString& path = LongFile();
    if (path.isEmpty()) {
        state.SkipWithError("oggenc missing");
        return;
    }
    for (auto _ : state) {
        TOggFile f(path);
        benchmark::DoNotOptimize(f.PcmTotal);
    }
}
BENCHMARK(BM_OpenReader)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

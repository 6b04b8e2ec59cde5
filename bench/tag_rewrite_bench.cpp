// A title change on 500 MP3 files of 1 MB that carry a padded ID3v2 tag, as
// `sonvale-cli tags write --title` makes it (same call, same default kinds), side
// by side with mutagen on the same files (scripts/bench_mutagen_retitle.py, timed
// inside its own process). Both run over every file once per iteration; the
// ratio is ours over mutagen's files per second. Argument: the tag's version.
#include "support/AudioFixtures.h"

#include "audio/FileTags.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFiles = 500;
constexpr int kAudioFrames = 2400; // 1 MB: a minute of 128 kbit/s audio

QByteArray SyncSafe(uint32_t v) {
    const char b[4] = {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F),
                       char(v & 0x7F)};
    return QByteArray(b, 4);
}

// A text frame in UTF-8 (2.4) or Latin-1 (2.3), with the version's size field.
QByteArray Frame(int version, const char* id, const QByteArray& text) {
    const QByteArray body = QByteArray(1, version == 4 ? '\3' : '\0') + text;
    const uint32_t n = uint32_t(body.size());
    const char plain[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(id, 4) + (version == 4 ? SyncSafe(n) : QByteArray(plain, 4)) +
           QByteArray(2, '\0') + body;
}

struct TFileSet {
    QTemporaryDir dir;
    QStringList files;
    explicit TFileSet(int version) {
        const QByteArray audio = fixtures::SilentMp3Frames(kAudioFrames);
        for (int i = 0; i < kFiles; ++i) {
            const QByteArray frames = Frame(version, "TIT2", "Title " + QByteArray::number(i)) +
                                      Frame(version, "TPE1", "Artist") +
                                      Frame(version, "TALB", "Album") +
                                      Frame(version, "TRCK", QByteArray::number(i % 20 + 1)) +
                                      Frame(version, version == 4 ? "TDRC" : "TYER", "2001");
            const QByteArray tag = QByteArray("ID3") + char(version) + QByteArray(2, '\0') +
                                   SyncSafe(uint32_t(frames.size() + 1024)) + frames +
                                   QByteArray(1024, '\0');
            const QString name = dir.filePath(QStringLiteral("f%1.mp3").arg(i, 3, 10, QChar('0')));
            QFile f(name);
            if (f.open(QIODevice::WriteOnly)) f.write(tag + audio);
            files << name;
        }
    }
};

TFileSet& Files(int version) {
    static TFileSet v3(3), v4(4);
    return version == 4 ? v4 : v3;
}

void BM_RetitleCli_Sonvale(benchmark::State& state) {
    const QStringList& files = Files(int(state.range(0))).files;
    TTagWriteOptions options;
    options.KeepId3v24 = true;
    options.KindsFromFile = true;
    int round = 0;
    for (auto _ : state) {
        for (int i = 0; i < files.size(); ++i) {
            const QHash<QString, QString> values{
                {QStringLiteral("title"), QStringLiteral("New %1/%2").arg(i).arg(round)}};
            if (!EditFileTags(files[i], values, -1, options)) state.SkipWithError("not written");
        }
        ++round;
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_RetitleCli_Sonvale)->Arg(3)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

QString MutagenPython() {
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(python, {QStringLiteral("-c"), QStringLiteral("import mutagen")});
        if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return python;
    }
    return {};
}

void BM_RetitleCli_Mutagen(benchmark::State& state) {
    const QString python = MutagenPython();
    if (python.isEmpty()) {
        state.SkipWithError("mutagen not installed");
        return;
    }
    const int version = int(state.range(0));
    const QStringList& files = Files(version).files;
    const QString script =
        QStringLiteral(SONVALE_SOURCE_DIR) + QStringLiteral("/scripts/bench_mutagen_retitle.py");
    int round = 0;
    for (auto _ : state) {
        QProcess p;
        p.start(python,
                QStringList{script, QString::number(version), QString::number(round++)} + files);
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            return;
        }
        state.SetIterationTime(p.readAllStandardOutput().trimmed().toDouble());
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_RetitleCli_Mutagen)->Arg(3)->Arg(4)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

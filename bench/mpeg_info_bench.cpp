// Properties and tags of 2,000 MP3 files, read by the MPEG reader through the
// facade and, in the same run, by TagLib. Warm cache: the files are made once
// and read before timing starts.
#include "audio/AudioFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#ifdef SONVALE_HAVE_TAGLIB
#include <taglib/audioproperties.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#endif

#include <memory>
#include <vector>

namespace {

constexpr int kFiles = 2000;

struct TCorpus {
    std::unique_ptr<QTemporaryDir> dir;
    std::vector<QString> names;
    bool ok = false;
};

bool Encode(const QString& out, const QStringList& codec) {
    QStringList args{"-v",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     "sine=frequency=330:sample_rate=44100:duration=20",
                     "-ac",
                     "2",
                     "-metadata",
                     "title=Benchmark tone",
                     "-metadata",
                     "artist=Sonvale"};
    args += codec;
    args << out;
    QProcess p;
    p.start("ffmpeg", args);
    return p.waitForFinished(120000) && p.exitCode() == 0;
}

// Four kinds of file (CBR with an Info header, VBR with Xing, CBR without a
// VBR header, MPEG-2 VBR), copied round-robin to 2,000 names.
TCorpus& Corpus() {
    static TCorpus c = [] {
        TCorpus c;
        c.dir = std::make_unique<QTemporaryDir>();
        const QStringList kinds[] = {
            {"-c:a", "libmp3lame", "-b:a", "192k"},
            {"-c:a", "libmp3lame", "-q:a", "2"},
            {"-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0"},
            {"-c:a", "libmp3lame", "-q:a", "5", "-ar", "22050"},
        };
        std::vector<QString> bases;
        for (int k = 0; k < 4; ++k) {
            QString b = c.dir->filePath(QString("base%1.mp3").arg(k));
            if (!Encode(b, kinds[k])) return c;
            bases.push_back(b);
        }
        for (int i = 0; i < kFiles; ++i) {
            QString n = c.dir->filePath(QString("f%1.mp3").arg(i, 4, 10, QChar('0')));
            if (!QFile::copy(bases[i % 4], n)) return c;
            c.names.push_back(n);
        }
        // Warm the cache.
        for (const QString& n : c.names) {
            QFile f(n);
            if (f.open(QIODevice::ReadOnly)) f.readAll();
        }
        c.ok = true;
        return c;
    }();
    return c;
}

void BM_SonvaleInfo(benchmark::State& state) {
    TCorpus& c = Corpus();
    if (!c.ok) {
        state.SkipWithError("could not make the files (ffmpeg)");
        return;
    }
    int64_t sum = 0;
    for (auto _ : state) {
        for (const QString& n : c.names) {
            TAudioFile af;
            af.SetFileName(n);
            if (!af.Open()) continue;
            TAbstractAudioFile* r = af.Reader.get();
            sum += int64_t(r->GetDuration() * 86400000.0) + r->GetBitrate() + r->GetSampleRate() +
                   r->GetChannels() + r->Tags.size() + r->TagKinds;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * int64_t(c.names.size()));
}
BENCHMARK(BM_SonvaleInfo)->Unit(benchmark::kMillisecond);

#ifdef SONVALE_HAVE_TAGLIB
void BM_TagLibInfo(benchmark::State& state) {
    TCorpus& c = Corpus();
    if (!c.ok) {
        state.SkipWithError("could not make the files (ffmpeg)");
        return;
    }
    int64_t sum = 0;
    for (auto _ : state) {
        for (const QString& n : c.names) {
            QByteArray local = QFile::encodeName(n);
            TagLib::MPEG::File f(local.constData(), true, TagLib::AudioProperties::Average);
            if (!f.isValid()) continue;
            if (auto* p = f.audioProperties())
                sum += p->lengthInMilliseconds() + p->bitrate() + p->sampleRate() + p->channels();
            if (auto* t = f.tag()) sum += t->title().size() + t->artist().size();
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * int64_t(c.names.size()));
}
BENCHMARK(BM_TagLibInfo)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();

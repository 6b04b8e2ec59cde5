// Reading the unified tags of 2,000 tagged files and rewriting the title
// in 500, side by side with TagLib doing the same work.
#include "support/AudioFixtures.h"
#include "support/TagFiles.h"
#include "tags/FieldList.h"
#include "tags/Id3v2Tag.h"
#include "tags/MetaTag.h"
#include "tags/TagSelect.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#ifdef SONVALE_HAVE_TAGLIB
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#endif

namespace {

constexpr int kFiles = 2000;
constexpr int kRewrites = 500;

QByteArray SyncSafe(uint32_t v) {
    QByteArray b(4, '\0');
    b[0] = char((v >> 21) & 0x7F), b[1] = char((v >> 14) & 0x7F), b[2] = char((v >> 7) & 0x7F),
    b[3] = char(v & 0x7F);
    return b;
}

QByteArray Frame(const char* id, const QByteArray& text) {
    QByteArray body = QByteArray(1, '\0') + text;
    QByteArray f(id, 4);
    uint32_t n = uint32_t(body.size());
    f += char(n >> 24), f += char(n >> 16), f += char(n >> 8), f += char(n);
    f += QByteArray(2, '\0');
    return f + body;
}

struct TCorpus {
    QTemporaryDir dir;
    QStringList files;
    TCorpus() {
        const QByteArray audio = fixtures::SilentMp3Frames(48);
        for (int i = 0; i < kFiles; ++i) {
            QByteArray frames = Frame("TIT2", "Title " + QByteArray::number(i)) +
                                Frame("TPE1", "Artist " + QByteArray::number(i % 97)) +
                                Frame("TALB", "Album " + QByteArray::number(i % 13)) +
                                Frame("TYER", "2001") + Frame("TRCK", QByteArray::number(i % 20)) +
                                Frame("TCON", "(17)") + Frame("COMM", "eng\0A comment");
            QByteArray tag = QByteArray("ID3\x03\0\0", 6) +
                             SyncSafe(uint32_t(frames.size() + 1024)) + frames +
                             QByteArray(1024, '\0');
            QString name = dir.filePath(QStringLiteral("f%1.mp3").arg(i));
            QFile f(name);
            f.open(QIODevice::WriteOnly);
            f.write(tag + audio);
            files << name;
        }
    }
};

TCorpus& Corpus() {
    static TCorpus c;
    return c;
}

void BM_ReadUnified_Sonvale(benchmark::State& state) {
    const QStringList& files = Corpus().files;
    for (auto _ : state) {
        size_t total = 0;
        for (const QString& f : files) {
            TMetaTag meta;
            meta.FromFileTags(ReadPreferredTags(f).Tags, tfId3);
            total += meta.Value(QStringLiteral("title")).size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_ReadUnified_Sonvale)->Unit(benchmark::kMillisecond);

void BM_RewriteTitle_Sonvale(benchmark::State& state) {
    const QStringList& files = Corpus().files;
    int round = 0;
    for (auto _ : state) {
        for (int i = 0; i < kRewrites; ++i) {
            TId3V2File t;
            t.Open(files[i]);
            SetFieldValue(t.Fields, QStringLiteral("TITLE"),
                          QStringLiteral("New title %1/%2").arg(i).arg(round));
            t.Write();
        }
        ++round;
    }
    state.SetItemsProcessed(state.iterations() * kRewrites);
}
BENCHMARK(BM_RewriteTitle_Sonvale)->Unit(benchmark::kMillisecond);

#ifdef SONVALE_HAVE_TAGLIB
void BM_ReadUnified_TagLib(benchmark::State& state) {
    const QStringList& files = Corpus().files;
    for (auto _ : state) {
        size_t total = 0;
        for (const QString& f : files) {
            TagLib::MPEG::File file(QFile::encodeName(f).constData(), false);
            TagLib::Tag* tag = file.tag();
            total += tag->title().size() + tag->artist().size() + tag->album().size() +
                     tag->comment().size() + tag->genre().size() + tag->year() + tag->track();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_ReadUnified_TagLib)->Unit(benchmark::kMillisecond);

void BM_RewriteTitle_TagLib(benchmark::State& state) {
    const QStringList& files = Corpus().files;
    int round = 0;
    for (auto _ : state) {
        for (int i = 0; i < kRewrites; ++i) {
            TagLib::MPEG::File file(QFile::encodeName(files[kFiles - 1 - i]).constData(), false);
            QString title = QStringLiteral("New title %1/%2").arg(i).arg(round);
            file.tag()->setTitle(TagLib::String(title.toStdWString()));
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        }
        ++round;
    }
    state.SetItemsProcessed(state.iterations() * kRewrites);
}
BENCHMARK(BM_RewriteTitle_TagLib)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();

// The album lookup's parsers and the automatic sort at album scale: a 200-track CDDB
// entry, a 100-release MusicBrainz search page, a 100-track release, and the sort by
// words over a 100-track album.
#include "net/FreeDB.h"
#include "net/MusicBrainz.h"
#include "tools/AutoSort.h"
#include "tools/Progress.h"

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace {

QByteArray Xmcd(int tracks) {
    QByteArray b = "210 rock 12345678 CD database entry follows\r\n# xmcd\r\n#\r\n"
                   "# Track frame offsets:\r\n";
    for (int i = 0; i < tracks; ++i)
        b += "#\t" + QByteArray::number(150 + i * 15000) + "\r\n";
    b += "#\r\n# Disc length: " + QByteArray::number(tracks * 200 + 10) + " seconds\r\n#\r\n";
    b += "DISCID=12345678\r\nDTITLE=Some Artist / Some Album\r\nDYEAR=1999\r\nDGENRE=Rock\r\n";
    for (int i = 0; i < tracks; ++i)
        b += "TTITLE" + QByteArray::number(i) + "=Track number " + QByteArray::number(i) +
             " with a title of ordinary length\r\n";
    return b + "EXTD=\r\nPLAYORDER=\r\n.\r\n";
}

QByteArray SearchPage(int releases) {
    QByteArray b = R"({"created":"2024-01-01T00:00:00.000Z","count":5000,"offset":0,"releases":[)";
    for (int i = 0; i < releases; ++i) {
        if (i) b += ',';
        b += R"({"id":"b84ee12a-09ef-421b-82de-)" + QByteArray::number(100000000000LL + i) +
             R"(","score":100,"title":"Some Album )" + QByteArray::number(i) +
             R"(","status":"Official","date":"1999-03-01","country":"GB","track-count":12,)"
             R"("artist-credit":[{"name":"Some Artist","artist":{"id":"x","name":"Some Artist"}}],)"
             R"("media":[{"format":"CD","disc-count":1,"track-count":12}]})";
    }
    return b + "]}";
}

QByteArray Release(int tracks) {
    QByteArray b = R"({"title":"Some Album","date":"1999","artist-credit":[{"name":"A"}],)"
                   R"("genres":[{"name":"rock"}],"media":[{"tracks":[)";
    for (int i = 0; i < tracks; ++i) {
        if (i) b += ',';
        b += R"({"title":"Track )" + QByteArray::number(i) + R"(","length":)" +
             QByteArray::number(200000 + i) + R"(,"recording":{"title":"Track"}})";
    }
    return b + "]}]}";
}

void BM_ParseXmcd200(benchmark::State& state) {
    const QByteArray body = Xmcd(200);
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseXmcd(body));
}
BENCHMARK(BM_ParseXmcd200)->Unit(benchmark::kMicrosecond);

void BM_ParseMusicBrainzSearch100(benchmark::State& state) {
    const QByteArray body = SearchPage(100);
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseMusicBrainzSearch(body, &error));
}
BENCHMARK(BM_ParseMusicBrainzSearch100)->Unit(benchmark::kMicrosecond);

void BM_ParseMusicBrainzRelease100(benchmark::State& state) {
    const QByteArray body = Release(100);
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseMusicBrainzRelease(body, &error));
}
BENCHMARK(BM_ParseMusicBrainzRelease100)->Unit(benchmark::kMicrosecond);

void BM_SortByWords100(benchmark::State& state) {
    QStringList files, names;
    for (int i = 0; i < 100; ++i) {
        names << QStringLiteral("Song number %1 of the album (live)").arg(i);
        files << QStringLiteral("%1 - song_number_%2_of_the_album.mp3").arg(99 - i).arg(99 - i);
    }
    TNullProgress progress;
    for (auto _ : state) {
        QStringList entries = files;
        SortByWords(entries, names, progress);
        benchmark::DoNotOptimize(entries);
    }
}
BENCHMARK(BM_SortByWords100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

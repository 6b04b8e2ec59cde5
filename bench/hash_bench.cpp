// SHA-1 of the hash component against libcrypto called directly, and the duplicates
// finder's fingerprint scan over 20,000 files on a warm cache against a plain loop of
// open + seek + 64 KiB read + libcrypto SHA-1 over the same files. Bytes or files per
// second in the counters.
#include "tools/HashScanner.h"
#include "tools/Hashes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> Block(size_t size) {
    std::vector<uint8_t> b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = uint8_t(i * 131 + (i >> 9));
    return b;
}

void BM_Sha1Thash(benchmark::State& state) {
    const std::vector<uint8_t> block = Block(size_t(state.range(0)));
    THash_sha1 hash;
    uint8_t digest[20];
    for (auto _ : state) {
        hash.Init();
        hash.Update(block.data(), block.size());
        hash.Final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1Thash)->Arg(65536);

void BM_Sha1Libcrypto(benchmark::State& state) {
    const std::vector<uint8_t> block = Block(size_t(state.range(0)));
    uint8_t digest[20];
    unsigned int size = 0;
    for (auto _ : state) {
        EVP_Digest(block.data(), block.size(), digest, &size, EVP_sha1(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1Libcrypto)->Arg(65536);

// MP3 names with a 2 KiB ID3v2 tag, a distinct start of audio and a hole up to 100 KiB:
// every fingerprint differs (no confirmation), and 20,000 files take little disk.
struct TCollection {
    QTemporaryDir dir;
    QStringList files;
    explicit TCollection(int count) {
        const QByteArray tag =
            QByteArray("ID3\x03\x00\x00\x00\x00\x0f\x76", 10) + QByteArray(2038, 0);
        for (int i = 0; i < count; ++i) {
            const QString sub = dir.filePath(QString::asprintf("d%02d", i / 1000));
            QDir().mkpath(sub);
            const QString path = sub + QString::asprintf("/%05d.mp3", i);
            QFile f(path);
            const QByteArray start = tag + QByteArray::number(i).repeated(64);
            if (!f.open(QIODevice::WriteOnly) || f.write(start) != start.size() ||
                !f.resize(100 * 1024))
                std::abort();
            files << path;
        }
    }
};

TCollection& Collection() {
    static TCollection collection(20000);
    return collection;
}

void CountFiles(benchmark::State& state) {
    state.counters["files"] =
        benchmark::Counter(double(state.iterations()) * double(Collection().files.size()),
                           benchmark::Counter::kIsRate);
}

void BM_FingerprintScan(benchmark::State& state) {
    TFingerprintScanOptions options;
    options.Paths = Collection().files;
    options.Workers = int(state.range(0));
    ScanFingerprints(options); // warms the cache
    for (auto _ : state) {
        const TFingerprintScan scan = ScanFingerprints(options);
        if (scan.Failed != 0 || !scan.Digests.join(QString()).isEmpty())
            state.SkipWithError("unexpected scan result");
    }
    CountFiles(state);
}
BENCHMARK(BM_FingerprintScan)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: what any fingerprint scan has to do per file, written plainly.
void BM_PlainOpenSeekReadSha1(benchmark::State& state) {
    std::vector<QByteArray> names;
    for (const QString& f : Collection().files)
        names.push_back(QFile::encodeName(f));
    std::vector<uint8_t> buffer(65536);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    uint8_t digest[20];
    auto one = [&](const QByteArray& name) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        uint8_t h[10];
        off_t offset = 0;
        if (::read(fd, h, 10) == 10 && h[0] == 'I' && h[1] == 'D' && h[2] == '3')
            offset = 10 + ((h[6] & 0x7f) << 21 | (h[7] & 0x7f) << 14 | (h[8] & 0x7f) << 7 |
                           (h[9] & 0x7f));
        ::lseek(fd, offset, SEEK_SET);
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
        EVP_DigestUpdate(ctx, buffer.data(), size_t(std::max<ssize_t>(got, 0)));
        EVP_DigestFinal_ex(ctx, digest, nullptr);
        return got > 0;
    };
    for (const QByteArray& n : names) // warms the cache
        one(n);
    for (auto _ : state)
        for (const QByteArray& n : names)
            if (!one(n)) state.SkipWithError("read failed");
    EVP_MD_CTX_free(ctx);
    CountFiles(state);
}
BENCHMARK(BM_PlainOpenSeekReadSha1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

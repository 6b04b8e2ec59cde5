#include "tools/HashScanner.h"

#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "lang/TextStorage.h"
#include "tags/TagSelect.h"
#include "tools/BatchReport.h"
#include "tools/Hashes.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutexLocker>
#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// What one scanning thread holds: one hash object and one buffer, whatever the file count.
struct TWorker {
    THash_sha1 Hash;
    std::vector<uint8_t> Buffer = std::vector<uint8_t>(kFingerprintBytes);
    // Also checked within a file: a long one must not hold up a window that closes.
    const std::atomic<bool>* Stop = nullptr;
};

QString NoSuchFile() {
    return Tr("No such file");
}

// Opens `path` for reading; empty when it does not exist, raises when it cannot be read.
std::unique_ptr<TWFileStream> OpenForHash(const QString& path, TFileIdentity* identity = nullptr) {
    if (!WideRegularFile(path, identity)) {
        if (WideFileExists(path)) throw ESonvaleError(Tr("Not a regular file"));
        return nullptr;
    }
    return std::make_unique<TWFileStream>(path, fmOpenRead | fmShareDenyNone);
}

[[noreturn]] void ReadFailed() {
    throw ESonvaleError(Tr("The file changed or could not be read"));
}

// Hashes exactly `count` bytes from `at`; a file that shrank or fails to read raises.
QString HashRange(TWFileStream& stream, int64_t at, int64_t count, TWorker& w) {
    w.Hash.Init();
    while (count > 0) {
        const int64_t want = std::min<int64_t>(count, int64_t(w.Buffer.size()));
        if (w.Stop && w.Stop->load()) throw ESonvaleError(Tr("Stopped"));
        if (stream.ReadAt(at, w.Buffer.data(), want) != want) ReadFailed();
        w.Hash.Update(w.Buffer.data(), size_t(want));
        at += want;
        count -= want;
    }
    return w.Hash.DigestText();
}

QString HeadDigest(const QString& path, TWorker& w) {
    const auto stream = OpenForHash(path);
    if (!stream) return {};
    // A file shorter than the offset plus 64 KiB is hashed over what it holds.
    const int64_t got =
        stream->ReadAt(AudioDataOffset(*stream, path), w.Buffer.data(), kFingerprintBytes);
    if (got < 0) ReadFailed();
    w.Hash.Init();
    w.Hash.Update(w.Buffer.data(), size_t(got));
    return w.Hash.DigestText();
}

struct TAudioRange {
    int64_t Start = 0;
    int64_t End = 0;
    int64_t Size() const { return End - Start; }
};

// From the end of the leading tag to the start of the trailing tags; offsets a damaged
// tag puts beyond the file are clamped, which leaves an empty range.
TAudioRange AudioRange(TWFileStream& stream, const QString& path) {
    const int64_t size = stream.GetSize();
    TAudioRange r;
    r.End = ReadPreferredTags(path).TrailingTagsStart;
    if (r.End < 0 || r.End > size) r.End = size;
    r.Start = std::min(AudioDataOffset(stream, path), r.End);
    return r;
}

QString DigestOfRange(const QString& path, TAudioRange range, TWorker& w) {
    const auto stream = OpenForHash(path);
    if (!stream) throw ESonvaleError(NoSuchFile());
    return HashRange(*stream, range.Start, range.Size(), w);
}

// Runs body(k, worker) for k = 0 .. count-1 on up to `threads` threads, the caller's
// included; every thread takes the next k until none is left or `stop` is set.
template <class F>
void RunParallel(int count, int threads, const std::atomic<bool>* stop, const F& body) {
    std::atomic<int> next{0};
    auto loop = [&] {
        TWorker w;
        w.Stop = stop;
        for (;;) {
            if (stop && stop->load()) return;
            const int k = next++;
            if (k >= count) return;
            body(k, w);
        }
    };
    threads = std::min(threads, count);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back([&loop] {
            try {
                loop();
            } catch (...) {
                // No buffer for this thread: the others take its share.
            }
        });
    loop();
    for (std::thread& t : pool)
        t.join();
}

int DefaultWorkers() {
    // Several reads in flight help a cold disk or a network share; more threads than
    // this only contend for the same disk.
    return std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
}

} // namespace

QString HashFileHead(const QString& path) {
    TWorker w;
    return HeadDigest(path, w);
}

QString HashAudioData(const QString& path) {
    const auto stream = OpenForHash(path);
    if (!stream) return {};
    const TAudioRange range = AudioRange(*stream, path);
    if (range.Size() <= 0) return {};
    TWorker w;
    return HashRange(*stream, range.Start, range.Size(), w);
}

TFingerprintScan ScanFingerprints(const TFingerprintScanOptions& options) {
    TFingerprintScan result;
    result.Paths = options.Paths;
    const int n = int(options.Paths.size());
    const int workers = options.Workers > 0 ? options.Workers : DefaultWorkers();
    std::vector<QString> heads(n), digests(n), errors(n);
    std::mutex stepLock;
    int done = 0;
    auto step = [&](int stage, int total, int index) {
        if (!options.Step) return;
        const std::lock_guard<std::mutex> lock(stepLock);
        options.Step(stage, ++done, total, options.Paths[index]);
    };
    auto stopped = [&] { return options.Stop && options.Stop->load(); };

    // Stage 0: every file's fingerprint.
    RunParallel(n, workers, options.Stop, [&](int i, TWorker& w) {
        errors[i] = FileStepError(true, [&] {
            heads[i] = HeadDigest(options.Paths[i], w);
            if (heads[i].isEmpty()) throw ESonvaleError(NoSuchFile());
        });
        step(0, n, i);
    });

    // Files whose fingerprint another file shares, in list order.
    QHash<QString, int> headCount;
    for (const QString& h : heads)
        if (!h.isEmpty()) ++headCount[h];
    std::vector<int> colliding;
    for (int i = 0; i < n; ++i)
        if (!heads[i].isEmpty() && headCount.value(heads[i]) > 1) colliding.push_back(i);

    // Stage 1: what the colliding files are and where their audio lies.
    std::vector<TFileIdentity> ids(n);
    std::vector<TAudioRange> ranges(n);
    std::vector<char> known(n, 0);
    done = 0;
    if (!stopped())
        RunParallel(int(colliding.size()), workers, options.Stop, [&](int k, TWorker&) {
            const int i = colliding[k];
            errors[i] = FileStepError(true, [&] {
                const auto stream = OpenForHash(options.Paths[i], &ids[i]);
                if (!stream) throw ESonvaleError(NoSuchFile());
                ranges[i] = AudioRange(*stream, options.Paths[i]);
                known[i] = 1;
            });
            step(1, int(colliding.size()), i);
        });

    // Only files that could be copies of another are read whole: same fingerprint, same
    // audio length, and not a second name of a file already listed (deleting "the copy"
    // would delete the only one).
    QHash<QPair<quint64, quint64>, int> firstName;
    QHash<QPair<QString, qint64>, int> sameLength;
    std::vector<int> candidates;
    for (int i : colliding) {
        if (!known[i] || ranges[i].Size() <= 0) continue;
        const auto id = qMakePair(quint64(ids[i].Device), quint64(ids[i].Inode));
        if (firstName.contains(id)) continue;
        firstName.insert(id, i);
        candidates.push_back(i);
        ++sameLength[qMakePair(heads[i], qint64(ranges[i].Size()))];
    }
    std::vector<int> toHash;
    for (int i : candidates)
        if (sameLength.value(qMakePair(heads[i], qint64(ranges[i].Size()))) > 1)
            toHash.push_back(i);

    // Stage 2: the whole audio data of the possible copies.
    done = 0;
    if (!stopped())
        RunParallel(int(toHash.size()), workers, options.Stop, [&](int k, TWorker& w) {
            const int i = toHash[k];
            errors[i] = FileStepError(
                true, [&] { digests[i] = DigestOfRange(options.Paths[i], ranges[i], w); });
            step(2, int(toHash.size()), i);
        });

    result.Stopped = stopped();
    for (int i = 0; i < n; ++i) {
        // A file that failed late keeps no digest: it cannot be shown as a copy.
        if (!errors[i].isEmpty()) {
            digests[i].clear();
            ++result.Failed;
        }
        result.Fingerprints << heads[i];
        result.Digests << digests[i];
        result.Errors << errors[i];
    }
    return result;
}

// ---------------------------------------------------------------------------

THashScanner::THashScanner(QObject* parent) : QThread(parent) {}

THashScanner::~THashScanner() {
    RequestStop();
    wait();
}

TScanProgress THashScanner::Progress() const {
    const QMutexLocker lock(&FLock);
    return FProgress;
}

void THashScanner::run() {
    TFingerprintScanOptions options;
    options.Paths = Input;
    options.Workers = Workers;
    options.Stop = &FStop;
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    options.Step = [&](int stage, int done, int total, const QString& path) {
        {
            const QMutexLocker lock(&FLock);
            FProgress = {stage, done, total, WideExtractFileName(path)};
        }
        if (sinceSignal.elapsed() >= 40) {
            sinceSignal.restart();
            emit ProgressChanged();
        }
    };
    try {
        Output = ScanFingerprints(options);
    } catch (const std::exception& e) {
        // Out of memory or threads: every file counts as failed, none as a copy.
        Output = TFingerprintScan();
        Output.Paths = Input;
        for (qsizetype i = 0; i < Input.size(); ++i) {
            Output.Fingerprints << QString();
            Output.Digests << QString();
            Output.Errors << QString::fromLocal8Bit(e.what());
        }
        Output.Failed = int(Input.size());
    }
    {
        const QMutexLocker lock(&FLock);
        FProgress = TScanProgress();
    }
    emit ProgressChanged();
}

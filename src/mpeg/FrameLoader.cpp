#include "mpeg/FrameLoader.h"

#include "io/SonvaleError.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <pthread.h>
#include <sched.h>

namespace {

// Table rows reserved at open at most; longer files grow the lists normally.
// Sizing the reservation by the first frame alone would let a tiny forged
// frame at the head of a huge file claim hundreds of megabytes.
constexpr int64_t kMaxReservedFrames = 1 << 19;

int32_t ClampMs(double ms) {
    double r = std::nearbyint(ms);
    if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return r < 0 ? 0 : static_cast<int32_t>(r);
}

} // namespace

// ---------------------------------------------------------------------------

void TWakeEvent::Set() {
    {
        std::lock_guard<std::mutex> g(m);
        signalled = true;
    }
    cv.notify_all();
}

void TWakeEvent::Reset() {
    std::lock_guard<std::mutex> g(m);
    signalled = false;
}

bool TWakeEvent::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> g(m);
    return cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [this] { return signalled; });
}

// ---------------------------------------------------------------------------

TThreadFrameScanner::TThreadFrameScanner(TFrameLoader* loader) : Loader(loader) {
    thread = std::thread([this] { Execute(); });
}

TThreadFrameScanner::~TThreadFrameScanner() {
    Terminate();
    WaitFor();
}

void TThreadFrameScanner::WaitFor() {
    if (thread.joinable()) thread.join();
}

void TThreadFrameScanner::Execute() {
    // Idle priority: the scan must never compete with the user's work.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);

    TFrameLoader* L = Loader;
    try {
        if (L->OnScanStart) {
            TMpegHeader first = L->FirstHeader;
            L->Notify([L, first] {
                try {
                    L->OnScanStart(L, first);
                } catch (...) {
                }
            });
        }
        TFrameStream s(L->FileName);
        s.SetEnd(L->AudioEnd);
        TMpegHeader h;
        h.Position = L->FirstHeader.Position;
        h.FrameSize = L->FirstHeader.FrameSize;
        if (L->OnFrameCount) {
            int32_t n = L->FrameCount - 1;
            L->Notify([L, n] { L->OnFrameCount(L, n); });
        }
        while (!terminated) {
            if (!h.FindFrame(s, true)) break;
            if (L->OnFrameCount) {
                int32_t n = L->FrameCount;
                L->Notify([L, n] { L->OnFrameCount(L, n); });
            }
            {
                std::lock_guard<std::recursive_mutex> g(L->Lock);
                L->Append(h);
            }
            int32_t wake = L->WakeAfter;
            if (wake != 0 && wake < L->FrameCount) {
                L->WakeAfter = 0;
                if (L->WakeEvent) L->WakeEvent->Set();
                std::this_thread::yield();
            }
        }
    } catch (...) {
        // An unreadable file ends the scan with what was found.
    }
    {
        std::lock_guard<std::recursive_mutex> g(L->Lock);
        if (!L->ScanComplete) L->FinishTotals();
        L->ScanComplete = true;
    }
    L->WakeAfter = 0;
    if (L->WakeEvent) L->WakeEvent->Set();
    if (L->OnScanDone && !terminated) {
        int32_t frames = L->FrameCount;
        int64_t samples = L->TotalSamples;
        double days = L->TotalMs / 86400000.0;
        L->Notify([L, frames, samples, days] { L->OnScanDone(L, frames, samples, days); });
    }
    finished = true;
}

// ---------------------------------------------------------------------------

TFrameLoader::TFrameLoader(const QString& fileName, bool scanInBackground, int64_t audioEnd)
    : AudioEnd(audioEnd) {
    std::memset(FrameData, 0, sizeof FrameData);
    if (!Open(fileName)) {
        Reset();
        throw ESonvaleError(QStringLiteral("Invalid MPEG file %1").arg(fileName));
    }
    if (scanInBackground) Scan(true);
}

TFrameLoader::~TFrameLoader() {
    *alive = false;
    Reset();
}

void TFrameLoader::Notify(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        auto token = alive;
        QMetaObject::invokeMethod(
            app,
            [token, fn] {
                if (*token) fn();
            },
            Qt::QueuedConnection);
    } else {
        fn();
    }
}

void TFrameLoader::Reset() {
    // Stop the scanner before touching the table it appends to.
    if (scanner) {
        scanner->Terminate();
        scanner->WaitFor();
        scanner.reset();
    }
    std::lock_guard<std::recursive_mutex> g(Lock);
    Opened = false;
    ScanComplete = false;
    WakeAfter = 0;
    TotalSamples = 0;
    TotalMs = 0;
    FrameCount = 0;
    ScannedEnd = 0;
    FrameLoaded = false;
    CurrentIndex = 0;
    BitPos = 0;
    stream.reset();
    FrameOffsets.clear();
    FrameSizes.clear();
    FrameEndMs.clear();
}

bool TFrameLoader::Open(const QString& fileName) {
    Reset();
    try {
        stream = std::make_unique<TFrameStream>(fileName);
    } catch (const ESonvaleError&) {
        return false;
    }
    stream->SetEnd(AudioEnd);
    int64_t fileSize = stream->Size();
    AudioBytes =
        static_cast<int32_t>(std::min<int64_t>(fileSize, std::numeric_limits<int32_t>::max()));
    ScannedEnd = 0;
    FileName = fileName;
    stream->Position = 0;
    if (!FirstHeader.FindFrame(*stream, false)) return false;

    std::lock_guard<std::recursive_mutex> g(Lock);
    Opened = true;
    ScanComplete = false;
    FrameOffsets.push_back(FirstHeader.Position);
    FrameSizes.push_back(FirstHeader.FrameSize);
    ScannedEnd = FirstHeader.Position + FirstHeader.FrameSize;
    AudioBytes -= FirstHeader.Position;
    TotalMs = FirstHeader.FrameDuration();
    FrameEndMs.push_back(ClampMs(TotalMs));
    FrameCount = 1;

    int64_t estimate = std::min<int64_t>(fileSize / FirstHeader.FrameSize + 1, kMaxReservedFrames);
    FrameOffsets.reserve(estimate);
    FrameSizes.reserve(estimate);
    FrameEndMs.reserve(estimate);

    LoadFrame(0);
    return true;
}

void TFrameLoader::Append(const TMpegHeader& h) {
    // The scanner thread and NextFrame may both walk past the same frames.
    if (!FrameOffsets.empty() && h.Position <= FrameOffsets.back()) return;
    FrameOffsets.push_back(h.Position);
    FrameSizes.push_back(h.FrameSize);
    ScannedEnd = h.Position + h.FrameSize;
    TotalMs += h.FrameDuration();
    FrameEndMs.push_back(ClampMs(TotalMs));
    FrameCount = FrameCount + 1;
}

void TFrameLoader::FinishTotals() {
    int64_t c = int64_t(FirstHeader.SampleRate()) * (FirstHeader.Channels() == 1 ? 1 : 2);
    TotalSamples = static_cast<int64_t>(std::nearbyint(TotalMs * c / 1000.0));
}

bool TFrameLoader::ExtendFrom(TMpegHeader& from, TFrameStream& s) {
    if (from.FindFrame(s, true)) {
        Append(from);
        return true;
    }
    if (!ScanComplete) FinishTotals();
    ScanComplete = true;
    return false;
}

bool TFrameLoader::Scan(bool background) {
    if (!Opened) return false;
    if (ScanComplete) return true;
    if (background) {
        if (!scanner) scanner = std::make_unique<TThreadFrameScanner>(this);
        return true;
    }
    if (OnScanStart) {
        try {
            OnScanStart(this, FirstHeader);
        } catch (...) {
            return false;
        }
    }
    std::unique_ptr<TFrameStream> second;
    try {
        second = std::make_unique<TFrameStream>(FileName);
        second->SetEnd(AudioEnd);
    } catch (const ESonvaleError&) {
        return false;
    }
    if (OnFrameCount) OnFrameCount(this, FrameCount);
    TMpegHeader scratch;
    while (!ScanComplete) {
        {
            std::lock_guard<std::recursive_mutex> g(Lock);
            if (FrameOffsets.empty()) break;
            scratch.Position = FrameOffsets.back();
            scratch.FrameSize = FrameSizes.back();
            ExtendFrom(scratch, *second);
        }
        if (OnFrameCount) OnFrameCount(this, FrameCount);
    }
    if (OnScanDone) OnScanDone(this, FrameCount, TotalSamples, TotalMs / 86400000.0);
    return false;
}

bool TFrameLoader::FrameAt(int index, int32_t& offset, int32_t& size) {
    std::lock_guard<std::recursive_mutex> g(Lock);
    if (index < 0 || index >= static_cast<int>(FrameOffsets.size())) return false;
    offset = FrameOffsets[index];
    size = FrameSizes[index];
    return true;
}

bool TFrameLoader::LoadFrame(int index) {
    int32_t offset = 0, size = 0;
    if (!stream || !FrameAt(index, offset, size)) return false;
    if (!CurrentHeader.ReadHeaderAt(*stream, offset)) {
        FrameLoaded = false;
        return true;
    }
    CurrentIndex = index;
    int want = std::clamp(size - 4, 0, kFrameDataSize);
    int start = offset + 4 + (CurrentHeader.IsProtected() ? 2 : 0);
    int got = stream->ReadAt(start, FrameData, want);
    if (got < want) std::memset(FrameData + std::max(got, 0), 0, want - std::max(got, 0));
    BitPos = 0;
    FrameLoaded = true;
    return true;
}

bool TFrameLoader::NextFrame() {
    {
        std::lock_guard<std::recursive_mutex> g(Lock);
        TMpegHeader scratch;
        while (stream && !ScanComplete && CurrentIndex >= FrameCount - 1 && !FrameOffsets.empty()) {
            scratch.Position = FrameOffsets.back();
            scratch.FrameSize = FrameSizes.back();
            ExtendFrom(scratch, *stream);
        }
    }
    return LoadFrame(CurrentIndex + 1);
}

bool TFrameLoader::EnsureFrames(int count) {
    std::lock_guard<std::recursive_mutex> g(Lock);
    TMpegHeader scratch;
    while (stream && !ScanComplete && FrameCount < count && !FrameOffsets.empty()) {
        scratch.Position = FrameOffsets.back();
        scratch.FrameSize = FrameSizes.back();
        ExtendFrom(scratch, *stream);
    }
    return FrameCount >= count;
}

int64_t TFrameLoader::GetTotalSamples() {
    std::lock_guard<std::recursive_mutex> g(Lock);
    if (ScanComplete) return TotalSamples;
    // Extrapolate the time scanned so far over the audio bytes; the bytes
    // scanned are counted from the first frame, as AudioBytes is.
    int64_t scanned = int64_t(ScannedEnd) - FirstHeader.Position;
    if (!Opened || scanned <= 0) return 0;
    double c = double(FirstHeader.SampleRate()) * (FirstHeader.Channels() == 1 ? 1 : 2);
    return static_cast<int64_t>(
        std::nearbyint(TotalMs * c * AudioBytes / (double(scanned) * 1000.0)));
}

uint32_t TFrameLoader::GetBit() {
    uint32_t byte = BitPos >> 3;
    uint32_t bit = 0;
    if (byte < kFrameDataSize) bit = (FrameData[byte] >> (7 - (BitPos & 7))) & 1;
    if (BitPos != std::numeric_limits<uint32_t>::max()) ++BitPos;
    return bit;
}

uint32_t TFrameLoader::GetBits(int n) {
    if (n <= 0) return 0;
    if (n > 32) n = 32;
    uint32_t byte = BitPos >> 3;
    uint64_t window = 0;
    if (byte + 5 <= kFrameDataSize) {
        window = (uint64_t(FrameData[byte]) << 32) | (uint64_t(FrameData[byte + 1]) << 24) |
                 (uint64_t(FrameData[byte + 2]) << 16) | (uint64_t(FrameData[byte + 3]) << 8) |
                 uint64_t(FrameData[byte + 4]);
    } else {
        for (uint32_t i = 0; i < 5; ++i) {
            uint64_t b = (byte + i < uint32_t(kFrameDataSize)) ? FrameData[byte + i] : 0;
            window = (window << 8) | b;
        }
    }
    int shift = 40 - int(BitPos & 7) - n;
    uint32_t value = static_cast<uint32_t>((window >> shift) & ((uint64_t(1) << n) - 1));
    uint64_t next = uint64_t(BitPos) + uint64_t(n);
    BitPos = static_cast<uint32_t>(std::min<uint64_t>(next, std::numeric_limits<uint32_t>::max()));
    return value;
}

void TFrameLoader::GetBytes(void* dst, int n) {
    if (n <= 0) return;
    auto* out = static_cast<uint8_t*>(dst);
    uint32_t start = BitPos >> 3;
    int avail = start < uint32_t(kFrameDataSize) ? kFrameDataSize - int(start) : 0;
    int copy = std::min(n, avail);
    if (copy > 0) std::memcpy(out, FrameData + start, copy);
    if (copy < n) std::memset(out + copy, 0, n - copy);
    uint64_t next = uint64_t(BitPos) + uint64_t(n) * 8;
    BitPos = static_cast<uint32_t>(std::min<uint64_t>(next, std::numeric_limits<uint32_t>::max()));
}

#pragma once

#include "mpeg/MpegHeader.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TFrameLoader;

// A signal the background scan raises once it has passed WakeAfter frames
// (and when it ends).
class TWakeEvent {
public:
    void Set();
    void Reset();
    // True when set before the timeout ran out.
    bool Wait(int timeoutMs);

private:
    std::mutex m;
    std::condition_variable cv;
    bool signalled = false;
};

// Builds a loader's frame table on a thread of its own.
class TThreadFrameScanner {
public:
    explicit TThreadFrameScanner(TFrameLoader* loader);
    // Asks the thread to stop and waits for it.
    ~TThreadFrameScanner();
    TThreadFrameScanner(const TThreadFrameScanner&) = delete;
    TThreadFrameScanner& operator=(const TThreadFrameScanner&) = delete;

    void Terminate() { terminated = true; }
    bool Terminated() const { return terminated; }
    bool Finished() const { return finished; }
    void WaitFor();

private:
    void Execute();
    TFrameLoader* Loader;
    std::atomic<bool> terminated{false};
    std::atomic<bool> finished{false};
    std::thread thread;
};

// Walks an MPEG audio file frame by frame: a table of the frames found so far
// (offset, size, running time), one frame's bytes for the decoder, and a bit
// reader over them.
//
// Bit reader contract (for the layer decoders):
//  - LoadFrame/NextFrame put the current frame's bytes that follow its header
//    (and its 2 CRC bytes when protected) at FrameData[0], and set BitPos to 0.
//    Only CurrentHeader.MainDataSize bytes (after the layer III side
//    information) belong to the frame; what follows is undefined.
//  - GetBit: the bit at BitPos, most significant bit of each byte first.
//  - GetBits(n): 0 for n <= 0, otherwise the next n bits (n <= 25; up to 32 is
//    served too) as an unsigned number; BitPos += n.
//  - GetBytes(dst, n): copies n bytes starting at byte BitPos / 8 (the bit
//    offset inside that byte is ignored); BitPos += 8n.
//  - Reads past the end of FrameData never touch memory outside it: those bytes
//    read as 0.
class TFrameLoader {
public:
    static constexpr int kFrameDataSize = 8192;

    // Raises ESonvaleError "Invalid MPEG file <name>" when no frame is found.
    // audioEnd, when not negative, is where the audio ends (trailing tags
    // start): no frame is searched for or read past it.
    TFrameLoader(const QString& fileName, bool scanInBackground, int64_t audioEnd = -1);
    ~TFrameLoader();
    TFrameLoader(const TFrameLoader&) = delete;
    TFrameLoader& operator=(const TFrameLoader&) = delete;

    // Notifications. In a background scan they run on the thread of the
    // application object when one exists (queued), otherwise on the scanner.
    std::function<void(TFrameLoader*, int32_t frames, int64_t samples, double days)> OnScanDone;
    std::function<void(TFrameLoader*, int32_t frames)> OnFrameCount;
    std::function<void(TFrameLoader*, const TMpegHeader& first)> OnScanStart;

    QString FileName;
    int64_t AudioEnd = -1; // see the constructor; Open honours it
    bool Opened = false;
    std::atomic<bool> ScanComplete{false};
    int32_t AudioBytes = 0;             // audio end minus the first frame's offset
    std::atomic<int32_t> ScannedEnd{0}; // just past the last frame in the table
    TMpegHeader FirstHeader;
    TMpegHeader CurrentHeader;
    std::vector<int32_t> FrameOffsets;
    std::vector<int32_t> FrameSizes;
    std::vector<int32_t> FrameEndMs; // running time at each frame's end
    TWakeEvent* WakeEvent = nullptr;
    std::atomic<int32_t> WakeAfter{0};
    std::atomic<int32_t> FrameCount{0};
    double TotalMs = 0;
    int64_t TotalSamples = 0; // exact once ScanComplete

    uint8_t FrameData[kFrameDataSize];
    uint32_t BitPos = 0;
    int32_t CurrentIndex = 0;
    bool FrameLoaded = false;
    std::recursive_mutex Lock; // guards the frame table

    bool Open(const QString& fileName);
    void Reset();
    // Background: starts the scanner and returns true. Otherwise scans to the
    // end and returns false (true when the scan was already complete; false
    // when nothing is open).
    bool Scan(bool background);
    bool LoadFrame(int index);
    bool NextFrame();
    int64_t GetTotalSamples();
    void SetCurrentIndex(int index) { CurrentIndex = index < 0 ? 0 : index; }

    uint32_t GetBit();
    uint32_t GetBits(int n);
    void GetBytes(void* dst, int n);

    // Thread-safe copy of one table row; false past the table.
    bool FrameAt(int index, int32_t& offset, int32_t& size);
    // Extends the table until it holds count frames or the file ends; true
    // when it holds them.
    bool EnsureFrames(int count);
    // The loader's view of the file (for reading raw bytes of a frame).
    TFrameStream* Stream() { return stream.get(); }

private:
    friend class TThreadFrameScanner;
    // Appends the frame after `from`; on failure completes the scan.
    bool ExtendFrom(TMpegHeader& from, TFrameStream& stream);
    void Append(const TMpegHeader& h);
    void FinishTotals();
    void Notify(std::function<void()> fn);

    std::unique_ptr<TFrameStream> stream;
    std::unique_ptr<TThreadFrameScanner> scanner;
    std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);
};

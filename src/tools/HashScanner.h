#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>

// Bytes of audio data a fingerprint covers.
inline constexpr int kFingerprintBytes = 65536;

// The fingerprint of a file: SHA-1 of up to 64 KiB of its audio data from AudioDataOffset
// on, as DigestText; trailing tags and the file's length do not count. Empty text when the
// file does not exist. Raises ESonvaleError when it exists but cannot be read: not a
// regular file, refused by the system, or a read that comes up short.
QString HashFileHead(const QString& path);

// SHA-1 of the whole audio data: from AudioDataOffset to where the trailing tags start
// (ID3v1, APEv2, Lyrics3), so copies that differ only in their tags match. Empty text when
// the file does not exist or holds no audio data. Raises as HashFileHead.
QString HashAudioData(const QString& path);

// One scan's outcome, index for index with its Paths.
struct TFingerprintScan {
    QStringList Paths;
    // The 64 KiB fingerprints; empty for a file that is missing or could not be read.
    QStringList Fingerprints;
    // Whole-audio digests of the files whose fingerprint another file shares, the second
    // name of a file listed twice excepted; empty for every other file. Duplicates are
    // the files with equal digests here.
    QStringList Digests;
    // Why a file could not be read; empty when it could.
    QStringList Errors;
    int Failed = 0;
    bool Stopped = false;
};

struct TFingerprintScanOptions {
    QStringList Paths;
    // Threads that read and hash; 0 picks by the machine. The results never depend on it.
    int Workers = 0;
    // After each file, from the scanning threads, one call at a time. Stage 0 takes the
    // fingerprints of every file, stage 1 the audio ranges of the files whose fingerprints
    // collide, stage 2 hashes the audio data of those that could be copies.
    std::function<void(int stage, int done, int total, const QString& path)> Step;
    // Ends the scan between two files (the window closing); the results are then partial.
    const std::atomic<bool>* Stop = nullptr;
};

// Fingerprints every file, then confirms the colliding ones by their whole audio data.
// Holds one 64 KiB buffer per thread.
TFingerprintScan ScanFingerprints(const TFingerprintScanOptions& options);

// Where a scan is: its stage (see Step), the files done of the stage's total, and the
// name (without folder) of the last file.
struct TScanProgress {
    int Stage = 0;
    int Done = 0;
    int Total = 0;
    QString CurrentName;
};

// The duplicates finder's background scan: fill Input, start(), read Output once
// finished() has been delivered. The GUI thread reads Progress when ProgressChanged
// arrives, which is sent at most every 40 ms: a fast scan never waits for the window.
class THashScanner : public QThread {
    Q_OBJECT
public:
    explicit THashScanner(QObject* parent = nullptr);
    // Stops a running scan and waits for it.
    ~THashScanner() override;

    QStringList Input;
    int Workers = 0;
    TFingerprintScan Output;

    TScanProgress Progress() const;
    void RequestStop() { FStop = true; }

signals:
    void ProgressChanged();

protected:
    // Execute of the scan's thread.
    void run() override;

private:
    mutable QMutex FLock;
    TScanProgress FProgress;
    std::atomic<bool> FStop{false};
};

#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Decodes the first audio stream of a file through libavformat/libavcodec into
// interleaved little-endian PCM of a chosen width (1 = unsigned 8-bit, 2 = 16-bit,
// 3 = packed 24-bit, 4 = 32-bit). Opened lazily: nothing happens until the first
// Read or Seek, so that readers which only report properties never pay for it; the
// FFmpeg libraries are loaded then too, and Read and Seek throw ESonvaleError when
// they cannot be.
class TFfmpegPcm {
public:
    // `container`: FFmpeg's name of the file's format when the caller knows it ("asf"),
    // which spares probing every format; null to probe.
    TFfmpegPcm(const QString& fileName, int bytesPerSample, const char* container = nullptr);
    ~TFfmpegPcm();
    TFfmpegPcm(const TFfmpegPcm&) = delete;
    TFfmpegPcm& operator=(const TFfmpegPcm&) = delete;

    // Copies up to count bytes into buffer; returns the number delivered (0 at
    // the end or when the file cannot be decoded). Delivers whole decoded
    // frames as they come, so fewer bytes than asked may be returned.
    int Read(void* buffer, int count, bool atMostOneFrame = false);
    // The bytes Read would deliver from here to the end, counted by decoding without
    // converting; Read gives nothing afterwards.
    int64_t CountBytes();
    // Positions at a PCM byte offset (rounded down to a whole sample frame).
    // False when the file cannot be decoded.
    bool Seek(int64_t bytePosition);
    // Channels of the decoded output (0 before it is opened or on failure).
    int Channels() const { return channels; }
    int SampleRate() const { return sampleRate; }
    bool Failed() const { return failed; }
    const QString& DecoderName() const { return decoderName; }

private:
    struct TState;
    bool EnsureOpen();
    bool Reopen();
    bool DecodeMore(); // appends one decoded frame to pending; false at the end
    void Close();

    QString fileName;
    int bytesPerSample;
    const char* container;
    std::unique_ptr<TState> st;
    std::vector<uint8_t> pending;
    size_t pendingPos = 0;
    int channels = 0;
    int sampleRate = 0;
    bool failed = false;
    bool eof = false;
    QString decoderName;
    int64_t* counted = nullptr; // set by CountBytes: frames are counted, not converted
};

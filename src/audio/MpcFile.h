#pragma once

#include "audio/AbstractAudioFile.h"

#include <QByteArray>
#include <memory>

class TFfmpegPcm;

// What the Musepack stream header says. Valid is false when the bytes are not
// a Musepack stream header this reader understands.
struct TMpcStreamInfo {
    bool Valid = false;
    int Version = 0;       // 4..8
    double SampleRate = 0; // Hz
    uint32_t Channels = 0;
    int32_t HeaderPosition = 0; // where the stream starts (after a leading tag)
    double AverageBitrate = 0;  // bits per second over the stream's bytes
    int64_t Samples = 0;        // per channel
    int64_t FileLength = 0;     // bytes
};

// Parses the stream header in head (bytes from the stream start on). streamBytes
// is the size of the stream without leading and trailing tags, for the bit rate.
TMpcStreamInfo ParseMpcHeader(const QByteArray& head, int64_t streamBytes);

// Reader for Musepack files (SV4 to SV8); PCM comes from FFmpeg, opened at the
// first Read or Seek.
class TMpcFile : public TAbstractAudioFile {
public:
    explicit TMpcFile(const QString& fileName);
    ~TMpcFile() override;

    int32_t GetBitrate() override;
    int32_t GetChannels() override;
    int64_t GetFileSize() override;
    int64_t GetPosition() override;
    int64_t GetPcmSize() override;
    int32_t GetSampleRate() override;
    int32_t GetBitsPerSample() override;
    uint8_t GetFormatCode() override;
    bool IsSource() override;
    void Seek(int64_t position) override;
    bool Read(void* buffer, int& count) override;

    TMpcStreamInfo Info;

private:
    std::unique_ptr<TFfmpegPcm> pcm;
    int64_t pcmPosition = 0;
};

#pragma once

#include "audio/AbstractAudioFile.h"

#include <QByteArray>
#include <memory>

class TFfmpegPcm;

// What a Monkey's Audio descriptor and header say. Valid is false when the
// bytes are no Monkey's Audio header this reader understands.
struct TApeInfo {
    bool Valid = false;
    int Version = 0; // 3990 for 3.99
    int32_t SampleRate = 0;
    int32_t BitsPerSample = 0;
    int32_t Channels = 0;
    int64_t TotalBlocks = 0;    // one block = one sample per channel
    int64_t CompressedSize = 0; // bytes of the whole file
    int32_t AverageBitrate = 0; // bits per second over the stream, tags left out
};

// Parses the header at the start of head ("MAC " first). fileSize is the size
// of the whole file; streamBytes those of the stream without the tags around
// it, for the bit rate (-1: the whole file).
TApeInfo ParseApeHeader(const QByteArray& head, int64_t fileSize, int64_t streamBytes = -1);

// Reader for Monkey's Audio files; PCM comes from FFmpeg, opened at the first
// Read or Seek.
class TApeFile : public TAbstractAudioFile {
public:
    explicit TApeFile(const QString& fileName);
    ~TApeFile() override;

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

    // The decompressor's information fields by their numbers: 1003 sample rate,
    // 1004 bits per sample, 1006 channels, 1015 file size in bytes, 1016 total
    // blocks, 2000 current block, 2005 average bit rate in bits per second.
    // 0 for an unknown field or a file without a usable header.
    int64_t GetInfo(int field);

    TApeInfo Info;

private:
    int64_t BlockBytes() const;
    std::unique_ptr<TFfmpegPcm> pcm;
    int64_t currentBlock = 0;
};

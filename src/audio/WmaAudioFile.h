#pragma once

#include "audio/AbstractAudioFile.h"
#include "audio/AsfReader.h"

#include <memory>

class TFfmpegPcm;

// Reader for Windows Media audio and ASF files (wma, asf). Properties and
// attributes come from the ASF header; PCM is decoded on demand.
class TWMAAudioFile : public TAbstractAudioFile {
public:
    // Raises the construction messages (unreadable file, output count, no audio).
    explicit TWMAAudioFile(const QString& fileName);
    ~TWMAAudioFile() override;

    int32_t GetBitrate() override;
    int32_t GetChannels() override;
    int64_t GetFileSize() override;
    int64_t GetPosition() override;
    int64_t GetPcmSize() override;
    int32_t GetSampleRate() override;
    int32_t GetBitsPerSample() override;
    uint8_t GetFormatCode() override;
    void Seek(int64_t position) override;
    double GetDuration() override;
    bool IsSource() override;
    bool Read(void* buffer, int& count) override;
    // Its attributes are shown, never written: always false.
    bool ChangeTags(const TTagChange& change) override;

    int32_t OutputCount = 0;
    uint16_t StreamNumber = 1;
    TAsfStream Format; // the decoded output: channels, rate, bits
    int32_t Bitrate = 0;
    int64_t FileSize = 0;
    int64_t Duration = 0; // 100 ns
    bool NotSeekable = false;
    int32_t AvgBytesPerSec = 0;
    int64_t PcmPosition = 0;
    int64_t PcmSize = 0; // counted by the first GetPcmSize

private:
    // The PCM bytes told by the data packets, -1 when they leave doubt; counted once.
    int64_t PacketPcmBytes();

    TAsfHeader header;
    int64_t packetBytes = -2; // not counted yet
    std::unique_ptr<TFfmpegPcm> pcm;
    bool pcmCounted = false;
};

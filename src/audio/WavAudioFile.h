#pragma once

#include "audio/AbstractAudioFile.h"
#include "io/WFileStream.h"

#include <array>
#include <memory>

// One RIFF chunk header.
class TWaveChunk {
public:
    enum Kind { ckRiff = 0, ckList, ckFmt, ckData, ckFact, ckDisp, ckPad, ckUnknown = -1 };

    std::array<char, 4> ChunkId{};
    uint32_t ChunkSize = 0;
    std::array<char, 4> FormType{};
    int64_t DataOffset = 0;
    int32_t Kind = ckUnknown;
    // Position of the header itself, so that a skip can never go backwards.
    int64_t HeaderOffset = 0;
    // The file ended inside the header.
    bool Truncated = false;

    // Reads the 8-byte header (and the form type of "RIFF"/"LIST"); true when
    // the ID is a known one. A header cut by the end of the file reads as
    // zeros, that is as an unknown ID.
    bool ReadHeader(TWFileStream& stream);
    // Moves the stream past the chunk body and its pad byte.
    void Skip(TWFileStream& stream);
};

#pragma pack(push, 1)
struct TWaveFormat {
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SamplesPerSec = 0;
    uint32_t AvgBytesPerSec = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint16_t ExtraSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormat) == 18);

// Reader for RIFF WAVE files holding PCM.
class TWavAudioFile : public TAbstractAudioFile {
public:
    explicit TWavAudioFile(const QString& fileName);
    ~TWavAudioFile() override;

    int32_t GetBitrate() override;
    int32_t GetChannels() override;
    int64_t GetFileSize() override;
    int64_t GetPosition() override;
    int64_t GetPcmSize() override;
    int32_t GetSampleRate() override;
    int32_t GetBitsPerSample() override;
    uint8_t GetFormatCode() override;
    void Seek(int64_t position) override;
    bool IsSource() override;
    bool Read(void* buffer, int& count) override;
    // Tags in an "id3 " chunk inside the RIFF (audio/WavTags.h).
    bool ChangeTags(const TTagChange& change) override;

    const TWaveFormat& Format() const { return format; }
    const TWaveChunk& DataChunk() const { return *chunk; }

private:
    std::unique_ptr<TWFileStream> stream;
    TWaveFormat format;
    std::unique_ptr<TWaveChunk> chunk;
    int64_t pcmSize = 0;
};

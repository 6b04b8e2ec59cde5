#pragma once

#include "audio/AbstractAudioFile.h"

#include <memory>
#include <vector>

class TWFileStream;

// The A/52 tables: sample rate by SampleRateCode (0 for the reserved code 3),
// nominal bit rate in kbit/s and frame length in bytes by FrameSizeCode.
int32_t Ac3SampleRate(int sampleRateCode);
int32_t Ac3BitrateKbps(int frameSizeCode);                    // 0 for codes above 37
int32_t Ac3FrameBytes(int frameSizeCode, int sampleRateCode); // 0 when invalid
// Full-bandwidth channels plus LFE from the bit-stream information that
// follows the sync information (bytes from the sync word on); 0 when short.
int32_t Ac3ChannelsOfFrame(const uint8_t* frame, int size);
// The bit-stream id (bsid) of a frame; above 10 the frame is E-AC-3. -1 when short.
int Ac3BitStreamId(const uint8_t* frame, int size);

// Reader for AC-3 files. Only one is open at a time (its message says so).
class TAc3File : public TAbstractAudioFile {
public:
    explicit TAc3File(const QString& fileName);
    ~TAc3File() override;

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

    int32_t Channels = 0;
    std::vector<float> FloatBuffer; // Channels × 1536
    int64_t PcmPosition = 0;
    std::unique_ptr<TWFileStream> Stream;
    uint8_t SampleRateCode = 0;
    uint8_t FrameSizeCode = 0;
    int64_t PcmSize = 0; // counted by the first GetPcmSize or Seek
    int32_t FrameBytes = 0;
    int64_t FirstFrame = 0;
    std::vector<int16_t> PcmBuffer; // one decoded frame
    int32_t PcmFrameBytes = 0;      // Channels × 3072
    int32_t Pending = 0;
    int RateShift = 0; // 1 and 2 for half- and quarter-rate streams

    // The reader that owns the decoder now, or null.
    static TAc3File* Current();

private:
    struct TDecoder;
    // Decodes the frame at the stream's position into PcmBuffer; false when
    // there is no whole frame there.
    bool DecodeFrame();
    bool DecodePacket(int32_t bytes); // frameBytes holds the frame
    // Loads FFmpeg and opens its AC-3 decoder, once; throws when either fails.
    void OpenDecoder();
    // Counts the frames (PcmSize) and keeps every 64th frame's start.
    void WalkFrames();
    void Release();
    int64_t FrameOffset(int64_t index);
    std::unique_ptr<TDecoder> dec;
    std::vector<uint8_t> frameBytes;
    std::vector<int64_t> checkpoints; // starts of frames 0, 64, 128, ...
    bool walked = false;
};

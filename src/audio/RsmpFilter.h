#pragma once

#include "audio/AbstractAudioFile.h"
#include "audio/Resampler.h"

#include <memory>
#include <vector>

// First stage of the PCM chain: turns the source's PCM into 16-bit samples
// with OutChannels channels at OutRate Hz. Without a change it reads
// straight through, without buffers.
class TRsmpFilter : public TAbstractAudioFile {
public:
    TRsmpFilter(TAbstractAudioFile* source, int32_t outChannels, int32_t outRate);
    ~TRsmpFilter() override;

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

    std::unique_ptr<TResampler> Resampler;
    TAbstractAudioFile* Source;
    int32_t InSize = 4096;
    int32_t OutSize = 0;
    int32_t OutRate;
    std::vector<char> InBuf, OutBuf;
    int32_t InFill = 0;
    int32_t OutPending = 0;
    int32_t OutPos = 0;
    int32_t OutChannels;
    int32_t OutBits = 16;
    bool Resample = false;
    bool Rechannel = false;
    bool UpMix = false;

private:
    // Up to count source bytes, short only at the source's end.
    bool FillFromSource(char* buffer, int& count);
    // Source PCM widened to 16 bits.
    bool ReadSource(char* buffer, int& count);
    // 16-bit PCM with the source's channels at OutRate.
    bool ReadRate(char* buffer, int& count);
    // Up to frames output frames with OutChannels channels; the frames made.
    int ReadMixed(char* out, int frames);
    // Converts a source-domain byte count (16-bit, source channels, source
    // rate) to the output domain and back.
    int64_t ToOutput(int64_t sourceBytes);

    int32_t SrcChannels = 0;
    int32_t SrcBits = 16;
    int32_t SrcBytes = 2;
    int32_t SrcRate = 0;
    bool SourceEnded = false;
    bool Flushed = false;
    std::vector<char> Wide, Mix;
};

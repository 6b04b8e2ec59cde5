#pragma once

#include "audio/AbstractAudioFile.h"

#include <memory>
#include <vector>

// One point of the transfer curve, levels in dB.
struct TKnot {
    float In = 0;
    float Out = 0;
};
using TKnotArray = std::vector<std::unique_ptr<TKnot>>;

// Last stage of the PCM chain: an automatic level compressor over 16-bit
// stereo PCM. Disabled, it hands the filter's bytes on untouched.
class TCompressor : public TAbstractAudioFile {
public:
    explicit TCompressor(TAbstractAudioFile* source);
    ~TCompressor() override;

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

    void SetBoost(int32_t n);
    void SetClipLevel(float x);
    void SetTarget(int32_t n);
    void SetWindow(int32_t n);
    void SetGate(int32_t n);
    void SetAttack(float x);
    void SetRelease(float x);

    // Output level in dB for an input level in dB.
    float Curve(float level) const;
    // Mean-square level in dB of a 16-bit stereo buffer.
    static float Level(const int16_t* samples, int bytes);
    // Processes one buffer in place.
    void Process(void* buffer, int bytes);

    TKnotArray Knots;
    TAbstractAudioFile* Source;
    float Gain = 0;
    bool Enabled = true;
    int32_t Boost = 0;
    float ClipLevel = 1;
    int32_t ClipSample = 32767;
    bool AutoBoost = false;
    int32_t Window = 30;
    int32_t Target = -12;
    int32_t Gate = -60;
    int32_t ModeWord = 1;
    float Release = 0.07f;
    float Attack = 0.5f;
};

#pragma once

#include "decoder/AudioSynth.h"
#include "decoder/DecoderTables.h"

#include <QString>
#include <cstdint>

namespace mpdec {

// Layer III decoding of one frame from its header word and the bytes after the header
// (and CRC): side information followed by main data. Keeps the main-data reservoir, the
// overlap buffers and the synthesis state between frames.
class TL3Core {
public:
    static constexpr int kReservoirKeep = 6692;
    static constexpr int kMaxMainData = 8192;

    TL3Core();
    void Reset();
    // Output channels (1 or 2); frames with another channel count are mixed down or
    // duplicated so that every frame fills exactly SamplesPerFrame * channels values.
    void SetOutputChannels(int channels) { OutChannels = channels == 1 ? 1 : 2; }
    int OutputChannels() const { return OutChannels; }
    // Decodes one frame into out (info.SamplesPerFrame() * OutputChannels() values).
    // dataSize is the number of valid bytes at data; data must stay readable 8 bytes further.
    // Returns false when the frame gave silence (reservoir short or damaged frame).
    bool DecodeFrame(const TFrameInfo& info, const uint8_t* data, int dataSize, int mainDataSize,
                     int frameIndex, int16_t* out);
    const QString& LastError() const { return Error; }
    void ClearError() { Error.clear(); }

private:
    struct TGranule {
        int Part23Length, BigValues, GlobalGain, ScfCompress;
        int WindowSwitching, BlockType, Mixed;
        int MixedFlag; // as coded; start and stop blocks use it too
        int TableSelect[3], SubblockGain[3];
        int Region1Start, Region2Start;
        int Preflag, ScfScale, Count1Table;
    };
    struct TScaleFactors {
        int Long[23];
        int Short[13][3];
    };

    bool ReadSideInfo(TBitReader& br, const TFrameInfo& info);
    void ReadScaleFactorsMpeg1(TBitReader& br, int gr, int ch);
    void ReadScaleFactorsLsf(TBitReader& br, const TFrameInfo& info, int ch);
    // Decodes the Huffman data of one granule and channel into Spec[ch]; returns the count
    // of lines up to the last non-zero one, or -1 on damaged data.
    int ReadHuffman(TBitReader& br, const TGranule& g, int64_t endBit, int ch, int frameIndex);
    void Requantize(const TGranule& g, int ch, int nonZero);
    void StereoProcess(const TFrameInfo& info, int gr);
    void IntensityLong(const TFrameInfo& info, const TGranule& gr1, int startSfb, int lsfIs);
    void IntensityShort(const TFrameInfo& info, const TGranule& gr1, int window, int startSfb,
                        int lsfIs);
    void ApplyIntensity(const TFrameInfo& info, int from, int to, int isPos, int isMax,
                        int scfCompress);
    void Hybrid(const TGranule& g, int ch, int nonZero);
    void SetError(const char* fmt, int frameIndex);

    TFrameInfo Info;
    int OutChannels = 2;
    int MainDataBegin = 0;
    int Scfsi[2][4] = {};
    TGranule Gr[2][2] = {};
    TScaleFactors Scf[2] = {};
    // LSF intensity stereo: per band of the right channel, the position value that marks
    // a band as not intensity-coded
    int IsMaxLong[23] = {};
    int IsMaxShort[13] = {};
    int NonZero[2] = {};
    alignas(32) float Spec[2][576];
    alignas(32) float Overlap[2][18][32]; // by time slot, as TimeOut
    alignas(32) float TimeOut[2][18][32]; // per time slot, 32 subband samples
    uint8_t Reservoir[kReservoirKeep + kMaxMainData + 64];
    int ResFill = 0;
    TAudioSynth Synth;
    QString Error;
};

} // namespace mpdec

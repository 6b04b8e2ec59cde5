#pragma once

#include "decoder/AudioSynth.h"
#include "decoder/DecoderTables.h"

#include <cstdint>

namespace mpdec {

// Layers I and II: bit allocation, scale factors, (grouped) samples, requantisation and
// synthesis of one frame. Frames with another channel count than the output are mixed down
// or duplicated.
class TL12Core {
public:
    void Reset() { Synth.Reset(); }
    void SetOutputChannels(int channels) { OutChannels = channels == 1 ? 1 : 2; }
    int OutputChannels() const { return OutChannels; }
    // data: the frame after header and CRC, dataSize valid bytes, readable 8 bytes further;
    // out: info.SamplesPerFrame() * OutputChannels() values.
    void DecodeLayer1(const TFrameInfo& info, const uint8_t* data, int dataSize, int16_t* out);
    void DecodeLayer2(const TFrameInfo& info, const uint8_t* data, int dataSize, int16_t* out);

private:
    void Output(const TFrameInfo& info, float (*sb)[32], int slots, int16_t* out);

    TAudioSynth Synth;
    int OutChannels = 2;
};

} // namespace mpdec

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
    // Synthesises the first slots of Sb.
    void Output(const TFrameInfo& info, int slots, int16_t* out);

    TAudioSynth Synth;
    int OutChannels = 2;
    alignas(32) float Sb[2][36][32]; // subband samples by channel and time slot
};

} // namespace mpdec

#pragma once

#include <cstdint>

// Polyphase synthesis filter bank shared by the layer decoders: 32 subband samples in,
// 32 PCM samples out per channel and time slot.
class TAudioSynth {
public:
    TAudioSynth();
    // Clears the history of both channels.
    void Reset();
    // Synthesises one time slot of channel ch (0 or 1) from 32 subband samples (full scale
    // 1.0) and writes 32 samples, clipped to 16 bits, at out[0], out[stride], ...
    void Synth(int ch, const float* subbands, int16_t* out, int stride);

private:
    alignas(32) float History[2][16][64];
    int Slot[2];
};

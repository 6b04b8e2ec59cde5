#pragma once

#include <cstdint>

// Polyphase synthesis filter bank shared by the layer decoders: 32 subband samples in,
// 32 PCM samples out per channel and time slot.
class TAudioSynth {
public:
    TAudioSynth();
    // Clears the history of both channels.
    void Reset();
    // Synthesises count time slots of channel ch (0 or 1), each from 32 subband samples
    // (full scale 1.0), into count * 32 consecutive samples clipped to 16 bits.
    void Synth(int ch, const float (*slots)[32], int count, int16_t* out);
    // Writes l[i], r[i] pairs for i < count.
    static void Interleave(const int16_t* l, const int16_t* r, int count, int16_t* out);

private:
    // Per channel the last 16 matrixed slots (64 values each) and room for the slots of
    // one batch ahead of them.
    static constexpr int kRing = 32;
    alignas(32) float History[2][kRing][64];
    int Slot[2];
};

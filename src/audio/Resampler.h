#pragma once

#include <cstdint>
#include <vector>

// Band-limited sample-rate conversion in 32-bit fixed point (the windowed-sinc
// method with interpolated filter tables), or plain linear interpolation.
// Streams: input that cannot be used yet stays buffered for the next call.
class TResampler {
public:
    TResampler(bool largeFilter, bool interpolate, bool mode);

    // Reallocates the per-channel buffers (history cleared) for factor =
    // output rate / input rate; the next call starts a new stream.
    void Setup(int channels, double factor);

    // inFrames: interleaved 16-bit frames offered / consumed; outFrames:
    // capacity of `out` in frames / frames produced. Linear mode raises
    // "Output array overflow" when the consumed input needs more room.
    void Resample(int& inFrames, int& outFrames, int16_t* out, const int16_t* in);
    // Feeds silence so the last real input frames come out; call once at the end.
    void Flush(int& outFrames, int16_t* out);

    // Output frames to reserve for n input frames.
    int OutputCapacity(int n) const;

    bool Interpolate;
    bool LargeFilter;
    bool Mode;
    double Factor = 1.0;
    int Channels = 0;
    uint32_t Time = 0;
    bool FirstCall = true;

    // The filter's half-wing tables: coefficients and their differences.
    static const std::vector<int32_t>& Coefficients(bool large);
    static const std::vector<int32_t>& Differences(bool large);
    static int ZeroCrossings(bool large) { return large ? 65 : 13; }
    static int GainScale(bool large) { return large ? 14008 : 12471; }

private:
    int Produce(int16_t* out, int outCap);
    int32_t Filtered(int ch, uint32_t time) const;

    std::vector<std::vector<int32_t>> InBufs;
    int Fill = 0;   // valid frames in each input buffer
    int Offset = 0; // history/look-ahead frames kept around Time
    int Capacity = 0;
    uint32_t Step = 0;
};

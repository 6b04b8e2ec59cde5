#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class TFrameLoader;

// One layer's decoder (I, II or III) working on a frame loader's current
// frame through its bit reader.
class TLayerDecoder {
public:
    virtual ~TLayerDecoder() = default;
    // downSampling 0 (none), 1 or 2; limitHz the frequency limit; flags bit 3
    // selects 8-bit output, bits 0..1 a forced mono mode. False when the
    // loader's stream is not of this layer.
    virtual bool Setup(int downSampling, int limitHz, int flags) = 0;
    // PCM bytes one decoded frame yields.
    virtual int FrameBytes() = 0;
    // Decodes the loader's current frame into out (FrameBytes bytes);
    // a frame that cannot be decoded gives silence.
    virtual bool DecodeFrame(void* out) = 0;
    // Clears the synthesis history, overlap buffers and bit reservoir.
    virtual void Reset() = 0;
    virtual QString LastError() = 0;
};

// The decoder of the layer with this index (0 = layer I, 1 = II, 2 = III)
// over loader, not yet set up; null for any other index.
std::unique_ptr<TLayerDecoder> CreateLayerDecoder(int layerIndex, TFrameLoader* loader);

// The decoder front: picks the layer decoder by the first frame's layer and
// turns the loader's frames into 16-bit PCM.
class TMpDec {
public:
    TMpDec();
    ~TMpDec();
    TMpDec(const TMpDec&) = delete;
    TMpDec& operator=(const TMpDec&) = delete;

    // False for a loader without frames or of a reserved layer, or when the
    // layer decoder refuses the stream.
    bool Open(TFrameLoader* loader);
    int FrameBytes();
    // False while a seek is in progress or without a layer decoder.
    bool DecodeFrame(void* buffer);
    // Rebuilds the layer's state so that the frame at index decodes as in a
    // continuous run, and leaves the loader's current index just before it.
    bool SeekToFrame(int index);
    QString LastError();

    int CurrentLayer = 3; // 3 = none
    TFrameLoader* Loader = nullptr;
    std::unique_ptr<TLayerDecoder> Layer;

private:
    std::atomic<bool> busy{false};
    std::vector<uint8_t> scratch;
};

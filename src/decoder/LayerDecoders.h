#pragma once

#include "decoder/DecoderTables.h"
#include "decoder/MpDec.h"

#include <QString>
#include <memory>

class TFrameLoader;

namespace mpdec {
class TL3Core;
class TL12Core;
} // namespace mpdec

// What the three layer decoders share: the loader, the parameters of Setup and the output
// format fixed by the first frame (channel count and samples per frame), so that every
// frame fills exactly FrameBytes bytes whatever its own header says.
class TMpegLayerDecoder : public TLayerDecoder {
public:
    explicit TMpegLayerDecoder(TFrameLoader* loader, int layer);
    bool Setup(int downSampling, int limitHz, int flags) override;
    int FrameBytes() override;
    bool DecodeFrame(void* out) override;
    QString LastError() override { return Error; }

    // Output channels: the first frame's, 1 with a forced mono mode; tests may change it.
    virtual void SetOutputChannels(int channels) = 0;
    int OutputChannels() const { return OutChannels; }
    // Highest subband index decoded (31 with the front's parameters).
    int SubbandLimit() const { return SbLimit; }

protected:
    // Decodes the loader's current frame (already checked to match the stream's layer and
    // frame length) into 16-bit samples; false when it gave silence.
    virtual bool DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) = 0;

    TFrameLoader* Loader;
    int LayerNumber; // 1..3
    mpdec::TFrameInfo First;
    bool Ready = false;
    int OutChannels = 2;
    int Samples = 0; // per channel and frame
    int SbLimit = 31;
    bool EightBit = false;
    QString Error;
};

class TL1Dec : public TMpegLayerDecoder {
public:
    explicit TL1Dec(TFrameLoader* loader);
    ~TL1Dec() override;
    void Reset() override;
    void SetOutputChannels(int channels) override;

protected:
    bool DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) override;

private:
    std::unique_ptr<mpdec::TL12Core> Core;
};

class TL2Dec : public TMpegLayerDecoder {
public:
    explicit TL2Dec(TFrameLoader* loader);
    ~TL2Dec() override;
    void Reset() override;
    void SetOutputChannels(int channels) override;

protected:
    bool DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) override;

private:
    std::unique_ptr<mpdec::TL12Core> Core;
};

class TL3Dec : public TMpegLayerDecoder {
public:
    explicit TL3Dec(TFrameLoader* loader);
    ~TL3Dec() override;
    void Reset() override;
    void SetOutputChannels(int channels) override;
    QString LastError() override;

protected:
    bool DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) override;

private:
    std::unique_ptr<mpdec::TL3Core> Core;
};

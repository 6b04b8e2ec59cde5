#include "decoder/LayerDecoders.h"

#include "decoder/L12Core.h"
#include "decoder/L3Core.h"
#include "mpeg/FrameLoader.h"

#include <algorithm>
#include <cstring>

namespace {

// The layer decoders read at most this many bytes of FrameData: their bit reader looks
// up to 8 bytes ahead.
constexpr int kFrameDataLimit = TFrameLoader::kFrameDataSize - 8;

} // namespace

TMpegLayerDecoder::TMpegLayerDecoder(TFrameLoader* loader, int layer)
    : Loader(loader), LayerNumber(layer) {}

bool TMpegLayerDecoder::Setup(int downSampling, int limitHz, int flags) {
    Ready = false;
    if (!Loader || !First.Parse(Loader->FirstHeader.Word) || First.Layer != LayerNumber) {
        if (LayerNumber == 3) Error = "Try to decode Another layer than Layer 3";
        return false;
    }
    // Only full-rate output is implemented; down-sampling would need its own synthesis.
    if (downSampling != 0) return false;
    int limit = limitHz > 0 ? limitHz : 24000;
    int sb = 32 >> downSampling;
    if (sb > 8) sb -= 1;
    SbLimit = std::min(sb, (First.SampleRate / 2 + limit * 64) / First.SampleRate);
    EightBit = (flags & 8) != 0;
    Samples = First.SamplesPerFrame();
    SetOutputChannels((flags & 3) ? 1 : First.Channels);
    Ready = true;
    return true;
}

int TMpegLayerDecoder::FrameBytes() {
    return Ready ? Samples * OutChannels * (EightBit ? 1 : 2) : 0;
}

bool TMpegLayerDecoder::DecodeFrame(void* out) {
    const int values = Samples * OutChannels;
    if (!Ready) return false;
    int16_t pcm[1152 * 2];
    bool ok = false;
    mpdec::TFrameInfo info;
    // A frame of another layer or frame length than the first cannot fill this stream's
    // buffer: it gives silence.
    if (Loader->FrameLoaded && info.Parse(Loader->CurrentHeader.Word) &&
        info.Layer == LayerNumber && info.SamplesPerFrame() == Samples) {
        ok = DecodeCurrent(info, pcm);
    } else {
        std::memset(pcm, 0, size_t(values) * sizeof(int16_t));
    }
    if (EightBit) {
        auto* o = static_cast<uint8_t*>(out);
        for (int i = 0; i < values; ++i)
            o[i] = uint8_t((pcm[i] >> 8) + 128);
    } else {
        std::memcpy(out, pcm, size_t(values) * sizeof(int16_t));
    }
    return ok;
}

// ---- layer I ---------------------------------------------------------------

TL1Dec::TL1Dec(TFrameLoader* loader)
    : TMpegLayerDecoder(loader, 1), Core(std::make_unique<mpdec::TL12Core>()) {}
TL1Dec::~TL1Dec() = default;
void TL1Dec::Reset() {
    Core->Reset();
}
void TL1Dec::SetOutputChannels(int channels) {
    OutChannels = channels == 1 ? 1 : 2;
    Core->SetOutputChannels(OutChannels);
}
bool TL1Dec::DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) {
    int size = std::clamp(int(Loader->CurrentHeader.MainDataSize), 0, kFrameDataLimit);
    Core->DecodeLayer1(info, Loader->FrameData, size, out);
    return true;
}

// ---- layer II --------------------------------------------------------------

TL2Dec::TL2Dec(TFrameLoader* loader)
    : TMpegLayerDecoder(loader, 2), Core(std::make_unique<mpdec::TL12Core>()) {}
TL2Dec::~TL2Dec() = default;
void TL2Dec::Reset() {
    Core->Reset();
}
void TL2Dec::SetOutputChannels(int channels) {
    OutChannels = channels == 1 ? 1 : 2;
    Core->SetOutputChannels(OutChannels);
}
bool TL2Dec::DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) {
    int size = std::clamp(int(Loader->CurrentHeader.MainDataSize), 0, kFrameDataLimit);
    Core->DecodeLayer2(info, Loader->FrameData, size, out);
    return true;
}

// ---- layer III -------------------------------------------------------------

TL3Dec::TL3Dec(TFrameLoader* loader)
    : TMpegLayerDecoder(loader, 3), Core(std::make_unique<mpdec::TL3Core>()) {}
TL3Dec::~TL3Dec() = default;
void TL3Dec::Reset() {
    Core->Reset();
}
void TL3Dec::SetOutputChannels(int channels) {
    OutChannels = channels == 1 ? 1 : 2;
    Core->SetOutputChannels(OutChannels);
}
QString TL3Dec::LastError() {
    return Error.isEmpty() ? Core->LastError() : Error;
}
bool TL3Dec::DecodeCurrent(const mpdec::TFrameInfo& info, int16_t* out) {
    const int mainData = Loader->CurrentHeader.MainDataSize;
    const int side = info.Lsf ? (info.Channels == 1 ? 9 : 17) : (info.Channels == 1 ? 17 : 32);
    int size = std::clamp(side + std::max(mainData, 0), 0, kFrameDataLimit);
    return Core->DecodeFrame(info, Loader->FrameData, size, mainData, Loader->CurrentIndex, out);
}

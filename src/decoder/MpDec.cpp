#include "decoder/MpDec.h"

#include "mpeg/FrameLoader.h"

#include <algorithm>

namespace {

// Frames a layer III decoder decodes before a seek target to refill its bit
// reservoir (main data may start up to 511 bytes back, several small frames).
constexpr int kReservoirFrames = 9;

class TBusyGuard {
public:
    explicit TBusyGuard(std::atomic<bool>& f) : flag(f) { acquired = !flag.exchange(true); }
    ~TBusyGuard() {
        if (acquired) flag = false;
    }
    bool acquired;

private:
    std::atomic<bool>& flag;
};

} // namespace

TMpDec::TMpDec() = default;
TMpDec::~TMpDec() = default;

bool TMpDec::Open(TFrameLoader* loader) {
    if (!loader || !loader->Opened || loader->FrameCount <= 0) return false;
    int layer = loader->FirstHeader.LayerIndex();
    // A decoder bound to another loader cannot be reused even for the same
    // layer: it reads that loader's frames.
    if (layer == CurrentLayer && Layer && loader == Loader) return true;
    Layer.reset();
    CurrentLayer = 3;
    Loader = nullptr;
    if (layer < 0 || layer > 2) return false;
    auto decoder = CreateLayerDecoder(layer, loader);
    if (!decoder || !decoder->Setup(0, 24000, 0)) return false;
    Layer = std::move(decoder);
    CurrentLayer = layer;
    Loader = loader;
    return true;
}

int TMpDec::FrameBytes() {
    return Layer ? Layer->FrameBytes() : 0;
}

bool TMpDec::DecodeFrame(void* buffer) {
    if (!Layer || busy) return false;
    Layer->DecodeFrame(buffer);
    return true;
}

bool TMpDec::SeekToFrame(int index) {
    if (!Layer || !Loader) return false;
    TBusyGuard guard(busy);
    if (!guard.acquired) return false;
    if (index < 0) index = 0;
    Layer->Reset();
    if (CurrentLayer != 2) {
        if (index > 0) Loader->LoadFrame(index - 1);
    } else {
        scratch.resize(std::max(FrameBytes(), 0));
        for (int i = std::max(0, index - kReservoirFrames); i < index; ++i) {
            if (!Loader->LoadFrame(i) || !Loader->FrameLoaded) break;
            Layer->DecodeFrame(scratch.data());
        }
    }
    Loader->SetCurrentIndex(index - 1);
    return true;
}

QString TMpDec::LastError() {
    return Layer ? Layer->LastError() : QString();
}

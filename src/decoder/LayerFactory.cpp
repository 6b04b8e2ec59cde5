// Stand-in until the layer I/II/III decoders land: every layer "decodes" to
// silence of the right length, so the reader's PCM operations and sizes can be
// exercised. The decoder branch replaces this whole file.
#include "audio/FrameLoader.h"
#include "decoder/MpDec.h"

#include <cstring>

namespace {

class TSilentLayerDecoder : public TLayerDecoder {
public:
    TSilentLayerDecoder(int layerIndex, TFrameLoader* loader) : layer(layerIndex), Loader(loader) {}
    bool Setup(int, int, int) override { return Loader->FirstHeader.LayerIndex() == layer; }
    int FrameBytes() override {
        return Loader->FirstHeader.SamplesPerFrame() * Loader->FirstHeader.Channels() * 2;
    }
    bool DecodeFrame(void* out) override {
        std::memset(out, 0, FrameBytes());
        return true;
    }
    void Reset() override {}
    QString LastError() override { return {}; }

private:
    int layer;
    TFrameLoader* Loader;
};

} // namespace

std::unique_ptr<TLayerDecoder> CreateLayerDecoder(int layerIndex, TFrameLoader* loader) {
    if (layerIndex < 0 || layerIndex > 2 || !loader) return nullptr;
    return std::make_unique<TSilentLayerDecoder>(layerIndex, loader);
}

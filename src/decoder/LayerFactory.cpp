#include "decoder/LayerDecoders.h"

std::unique_ptr<TLayerDecoder> CreateLayerDecoder(int layerIndex, TFrameLoader* loader) {
    if (!loader) return nullptr;
    switch (layerIndex) {
    case 0:
        return std::make_unique<TL1Dec>(loader);
    case 1:
        return std::make_unique<TL2Dec>(loader);
    case 2:
        return std::make_unique<TL3Dec>(loader);
    default:
        return nullptr;
    }
}

#include "audio/Ac3File.h"
#include "audio/ApeFile.h"
#include "audio/AudioFile.h"
#include "audio/MpcFile.h"
#include "audio/MpegAudioFile.h"
#include "audio/OggFile.h"
#include "audio/WavAudioFile.h"
#include "audio/WmaAudioFile.h"

std::unique_ptr<TAbstractAudioFile> CreateReader(uint8_t formatCode, const QString& fileName) {
    switch (formatCode) {
    case fcWave:
        return std::make_unique<TWavAudioFile>(fileName);
    case fcMpeg:
        return std::make_unique<TMpegAudioFile>(fileName);
    case fcOgg:
        return std::make_unique<TOggFile>(fileName);
    case fcWma:
        return std::make_unique<TWMAAudioFile>(fileName);
    case fcAc3:
        return std::make_unique<TAc3File>(fileName);
    case fcMpc:
        return std::make_unique<TMpcFile>(fileName);
    case fcApe:
        return std::make_unique<TApeFile>(fileName);
    default:
        return nullptr;
    }
}

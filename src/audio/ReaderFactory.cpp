#include "audio/AudioFile.h"
#include "audio/MpegAudioFile.h"
#include "audio/OggFile.h"
#include "audio/WavAudioFile.h"

std::unique_ptr<TAbstractAudioFile> CreateReader(uint8_t formatCode, const QString& fileName) {
    switch (formatCode) {
    case fcWave:
        return std::make_unique<TWavAudioFile>(fileName);
    case fcMpeg:
        return std::make_unique<TMpegAudioFile>(fileName);
    case fcOgg:
        return std::make_unique<TOggFile>(fileName);
    default:
        return nullptr;
    }
}

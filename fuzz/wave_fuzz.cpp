// WAVE: RIFF chunks, the format chunk and the PCM of the data chunk.
#include "FuzzTarget.h"

#include "audio/AbstractAudioFile.h"

SONVALE_FUZZ_TARGET(wave) {
    FuzzReader(fcWave, "wav", data, size, 64 * 1024);
}

// The Monkey's Audio reader's header parsing and tags (the PCM is the decoder library's).
#include "FuzzTarget.h"

#include "audio/AbstractAudioFile.h"

SONVALE_FUZZ_TARGET(ape) {
    FuzzReader(fcApe, "ape", data, size, 0);
}

// The Musepack reader's header parsing and tags (the PCM is the decoder library's).
#include "FuzzTarget.h"

#include "audio/AbstractAudioFile.h"

SONVALE_FUZZ_TARGET(mpc) {
    FuzzReader(fcMpc, "mpc", data, size, 0);
}

// The AC-3 reader's header parsing and tags (the PCM is the decoder library's).
#include "FuzzTarget.h"

#include "audio/AbstractAudioFile.h"

SONVALE_FUZZ_TARGET(ac3) {
    FuzzReader(fcAc3, "ac3", data, size, 0);
}

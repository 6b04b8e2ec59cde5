// The MPEG reader with its layer I/II/III decoder: properties (Xing/VBRI headers,
// tags) and the PCM of the first frames.
#include "FuzzTarget.h"

#include "audio/AbstractAudioFile.h"

SONVALE_FUZZ_TARGET(mpeg_decoder) {
    FuzzReader(fcMpeg, "mp3", data, size, 256 * 1024);
}

// Vorbis comment header of an Ogg stream.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "tags/OggTag.h"

SONVALE_FUZZ_TARGET(vorbis_comment) {
    TOggTag tag;
    try {
        tag.Open(FuzzFile("ogg", data, size));
    } catch (const ESonvaleError&) {
    }
}

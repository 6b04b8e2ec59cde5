// ID3v1 block at the end of a file.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "tags/Id3v1Tag.h"

SONVALE_FUZZ_TARGET(id3v1) {
    TId3V1Tag tag;
    try {
        tag.Open(FuzzFile("tag", data, size));
    } catch (const ESonvaleError&) {
    }
}

// ID3v2 tag at the start of a file: parsed, then rendered again from what was read.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "tags/Id3v2Tag.h"

SONVALE_FUZZ_TARGET(id3v2) {
    TId3V2Tag tag;
    try {
        if (tag.Open(FuzzFile("tag", data, size)) && tag.Present) (void)tag.BuildTag();
    } catch (const ESonvaleError&) {
    }
}

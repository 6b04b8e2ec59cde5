// APEv2 tag at the end of a file (before an ID3v1 block): parsed, then rendered again.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "tags/ApeTag.h"

SONVALE_FUZZ_TARGET(apev2) {
    TAPEV2Tag tag;
    try {
        if (tag.Open(FuzzFile("tag", data, size)) && tag.Present) (void)tag.BuildTag();
    } catch (const ESonvaleError&) {
    }
}

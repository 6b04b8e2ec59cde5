// The tags at the end of a file (ID3v1, APEv2, Lyrics3 in any order) and at its start,
// found by the layout scan, parsed, and the APEv2 tag rendered again.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagLayout.h"
#include "tags/TagSelect.h"

SONVALE_FUZZ_TARGET(apev2) {
    try {
        TWFileStream in(FuzzFile("tag", data, size), fmOpenRead | fmShareDenyNone);
        const TLayoutTags tags = ParseLayoutTags(ScanTagLayout(in));
        if (tags.Ape.Present) (void)tags.Ape.BuildTag();
    } catch (const ESonvaleError&) {
    }
}

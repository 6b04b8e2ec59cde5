// An Ogg Vorbis file described from its first and last pages, as a scan reads it.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/VorbisSummary.h"

SONVALE_FUZZ_TARGET(vorbis_summary) {
    try {
        TWFileStream in(FuzzFile("ogg", data, size), fmOpenRead | fmShareDenyNone);
        TVorbisSummary summary;
        ReadVorbisSummary(in, summary);
    } catch (const ESonvaleError&) {
    }
}

// Vorbis comment header of an Ogg stream: read, and written again.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/OggTag.h"

SONVALE_FUZZ_TARGET(vorbis_comment) {
    try {
        TWFileStream in(FuzzFile("ogg", data, size), fmOpenRead | fmShareDenyNone);
        TOggTag tag;
        if (!tag.Read(in) || tag.Multiplexed) return;
        // The header pages rebuilt with other comments, the audio pages re-paginated.
        TWFileStream out(FuzzFile("out", nullptr, 0), fmOpenReadWrite | fmShareDenyNone);
        RewriteVorbisComments(in, out, tag.Fields + QStringList{QStringLiteral("TITLE=x")});
    } catch (const ESonvaleError&) {
    }
}

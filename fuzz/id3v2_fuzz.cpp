// ID3v2 tag: parsed from its bytes, then rendered as 2.3 and 2.4 from what was read.
#include "FuzzTarget.h"

#include "tags/Id3v2Tag.h"

SONVALE_FUZZ_TARGET(id3v2) {
    TId3V2Tag tag;
    if (!tag.Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return;
    (void)tag.Render(3);
    (void)tag.Render(4, int64_t(size));
}

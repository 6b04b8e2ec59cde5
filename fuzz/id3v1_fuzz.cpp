// ID3v1 block: parsed from its bytes and rendered again.
#include "FuzzTarget.h"

#include "tags/Id3v1Tag.h"

SONVALE_FUZZ_TARGET(id3v1) {
    TId3V1Tag tag;
    if (tag.Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))))
        (void)tag.Render();
}

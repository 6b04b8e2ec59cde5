// ASF header object: streams, attributes and their text.
#include "FuzzTarget.h"

#include "audio/AsfReader.h"

SONVALE_FUZZ_TARGET(asf_header) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TAsfHeader header;
    if (ParseAsfHeader(bytes, int64_t(size), header) != 0) return;
    for (const TAsfAttribute& a : header.Attributes)
        (void)AsfAttributeText(a);
}

// The WMA sample count over the ASF data packets.
#include "FuzzTarget.h"

#include "audio/AsfReader.h"
#include "audio/WmaCount.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"

SONVALE_FUZZ_TARGET(wma_count) {
    const QString file = FuzzFile("wma", data, size);
    TAsfHeader header;
    if (ReadAsfHeader(file, header) != 0) return;
    try {
        TWFileStream s(file, fmOpenRead | fmShareDenyNone);
        (void)CountWmaSampleFrames(s, header);
    } catch (const ESonvaleError&) {
    }
}

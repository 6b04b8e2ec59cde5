#include "tags/TagSelect.h"

#include "tags/ApeTag.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "tags/TagKinds.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"

namespace {

// Where a Lyrics3 v2 block that ends at `end` (-1: at the end of the file)
// starts; -1 when there is none.
int64_t Lyrics3v2Start(const QString& fileName, int64_t end) {
    try {
        TWFileStream s(fileName, fmOpenRead | fmShareDenyNone);
        if (end < 0) end = s.GetSize();
        const QByteArray trailer = s.ReadBytesAt(end - 15, 15);
        if (end < 15 || !trailer.endsWith("LYRICS200")) return -1;
        bool ok = false;
        const int64_t size = trailer.left(6).toLongLong(&ok, 10);
        const int64_t start = end - 15 - size;
        if (ok && size >= 11 && start >= 0 && s.ReadBytesAt(start, 11) == "LYRICSBEGIN")
            return start;
    } catch (const ESonvaleError&) {
    }
    return -1;
}

} // namespace

TFileTagInfo ReadPreferredTags(const QString& fileName) {
    TFileTagInfo info;
    TId3V1Tag v1;
    TId3V2Tag v2;
    TAPEV2Tag ape;
    v1.Open(fileName);
    v2.Open(fileName);
    ape.Open(fileName);
    if (v1.Present) info.TagKinds |= tkId3v1;
    if (v2.Present) info.TagKinds |= tkId3v2;
    if (ape.Present) info.TagKinds |= tkApeV2;
    info.Id3v2Size = v2.TagSize();
    if (ape.Present && ape.TagStart > 0) {
        info.TrailingTagsStart = ape.TagStart;
    } else {
        const int64_t lyrics = Lyrics3v2Start(fileName, v1.Present ? v1.Position : -1);
        if (lyrics >= 0)
            info.TrailingTagsStart = lyrics;
        else if (v1.Present)
            info.TrailingTagsStart = v1.Position;
    }
    if (ape.Present)
        info.Tags = ape.Fields;
    else if (v2.Present)
        info.Tags = v2.Fields;
    else if (v1.Present)
        info.Tags = v1.Fields;
    return info;
}

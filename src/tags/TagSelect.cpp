#include "tags/TagSelect.h"

#include "tags/ApeTag.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "tags/TagKinds.h"

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
    if (ape.Present && ape.TagStart > 0)
        info.TrailingTagsStart = ape.TagStart;
    else if (v1.Present)
        info.TrailingTagsStart = v1.Position;
    if (ape.Present)
        info.Tags = ape.Fields;
    else if (v2.Present)
        info.Tags = v2.Fields;
    else if (v1.Present)
        info.Tags = v1.Fields;
    return info;
}

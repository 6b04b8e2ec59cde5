#include "tags/TagSelect.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/FieldList.h"
#include "tags/TagKinds.h"

TLayoutTags ParseLayoutTags(const TTagLayout& layout) {
    TLayoutTags tags;
    if (layout.Leading.Kind == tkId3v2) tags.Id3v2.Parse(layout.Leading.Bytes);
    for (const TTagRegion& r : layout.Trailing) {
        if (r.Kind == tkId3v1 && !tags.Id3v1.Present) {
            tags.Id3v1.Parse(r.Bytes);
            tags.Id3v1.Position = r.Offset;
        } else if (r.Kind == tkApeV2) {
            // Of two APEv2 tags the later one counts, as readers look from the end.
            tags.Ape = TAPEV2Tag();
            tags.Ape.Parse(r.Bytes);
            tags.Ape.TagStart = r.Offset;
        }
    }
    tags.Ape.HasId3v1 = tags.Id3v1.Present;
    return tags;
}

bool HasCommonValues(const QStringList& fields) {
    static const char* const kNames[] = {"title", "artist",      "album",     "year",
                                         "track", "genre",       "comment",   "comments",
                                         "date",  "tracknumber", "recordtime"};
    for (const char* name : kNames)
        if (!FieldValue(fields, QString::fromLatin1(name)).trimmed().isEmpty()) return true;
    return false;
}

TFileTagInfo PreferredTags(const TTagLayout& layout, TTagPreference preference) {
    TFileTagInfo info;
    const TLayoutTags tags = ParseLayoutTags(layout);
    if (tags.Id3v1.Present) info.TagKinds |= tkId3v1;
    if (tags.Id3v2.Present) info.TagKinds |= tkId3v2;
    if (tags.Ape.Present) info.TagKinds |= tkApeV2;
    info.Id3v2Size = tags.Id3v2.TagSize();
    info.Id3v2Version = tags.Id3v2.Present ? tags.Id3v2.Version : 0;
    if (!layout.Trailing.empty()) info.TrailingTagsStart = layout.AudioEnd();

    struct TCandidate {
        bool present;
        const QStringList* fields;
    };
    const TCandidate ape{tags.Ape.Present, &tags.Ape.Fields};
    const TCandidate v2{tags.Id3v2.Present, &tags.Id3v2.Fields};
    const TCandidate v1{tags.Id3v1.Present, &tags.Id3v1.Fields};
    const TCandidate order[3] = {preference == TTagPreference::ApeFirst ? ape : v2,
                                 preference == TTagPreference::ApeFirst ? v2 : v1,
                                 preference == TTagPreference::ApeFirst ? v1 : ape};
    const TCandidate* chosen = nullptr;
    for (const TCandidate& c : order)
        if (c.present && HasCommonValues(*c.fields)) {
            chosen = &c;
            break;
        }
    for (const TCandidate& c : order)
        if (!chosen && c.present) chosen = &c;
    if (chosen) info.Tags = *chosen->fields;
    return info;
}

TFileTagInfo ReadPreferredTags(const QString& fileName, TTagPreference preference) {
    try {
        TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
        return PreferredTags(ScanTagLayout(in), preference);
    } catch (const ESonvaleError&) {
        return {};
    }
}

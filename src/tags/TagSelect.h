#pragma once

#include "tags/ApeTag.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "tags/TagLayout.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class TWFileStream;

// The tags of a file that may carry ID3v1, ID3v2 and APEv2 (MPEG, Musepack,
// Monkey's Audio, AC-3): which kinds are present, the size of a leading ID3v2
// tag, and the main tag's lines.
struct TFileTagInfo {
    QStringList Tags;
    int TagKinds = 0;
    int64_t Id3v2Size = 0;
    int Id3v2Version = 0; // major version of the ID3v2 tag, 0 when none
    // Where the trailing tags (ID3v1, APEv2, Lyrics3, in whatever order) begin;
    // -1 when the file ends with audio.
    int64_t TrailingTagsStart = -1;
};

// The order in which a reader picks its main tag.
enum class TTagPreference {
    ApeFirst,   // APEv2, ID3v2, ID3v1 (MPEG, Musepack, Monkey's Audio)
    Id3v2First, // ID3v2, ID3v1, APEv2 (AC-3)
};

// The tags of a layout, parsed.
struct TLayoutTags {
    TId3V1Tag Id3v1;
    TId3V2Tag Id3v2;
    TAPEV2Tag Ape;
};
TLayoutTags ParseLayoutTags(const TTagLayout& layout);

// True when `fields` hold a value of one of the seven common fields (under any
// kind's name for it).
bool HasCommonValues(const QStringList& fields);

// The main tag is the first present in the order of preference that holds a
// value of the seven common fields (a tag of other values, such as an APEv2
// tag of volume data, does not hide one that has them); when none holds one,
// the first present. A file that cannot be read has no tags.
TFileTagInfo ReadPreferredTags(const QString& fileName,
                               TTagPreference preference = TTagPreference::ApeFirst);
TFileTagInfo PreferredTags(const TTagLayout& layout, TTagPreference preference);

#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The tags of a file that may carry ID3v1, ID3v2 and APEv2 (MPEG, Musepack,
// Monkey's Audio): which kinds are present, the size of a leading ID3v2 tag,
// and the main tag's lines (APEv2, else ID3v2, else ID3v1).
struct TFileTagInfo {
    QStringList Tags;
    int TagKinds = 0;
    int64_t Id3v2Size = 0;
    // Where the trailing tags begin (an APEv2 tag, else a Lyrics3 v2 block,
    // else an ID3v1 block); -1 when the file ends with audio.
    int64_t TrailingTagsStart = -1;
};

TFileTagInfo ReadPreferredTags(const QString& fileName);

#pragma once

#include "audio/TagWriter.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The tags of a WAVE file. Ours are an ID3v2 tag in an "id3 " chunk inside the
// RIFF (the chunk padded to an even length, the RIFF size updated): nothing is
// ever written before "RIFF". Tags are read from an ID3v2 tag before "RIFF"
// (files written that way exist), an "id3 " or "ID3 " chunk, a LIST/INFO chunk
// and an ID3v1 block behind the RIFF, in that order of preference.
struct TWaveTagInfo {
    QStringList Tags; // under the ID3 names (TITLE, ARTIST, ...), also for LIST/INFO
    int TagKinds = 0;
    int64_t RiffStart = 0; // behind a leading ID3v2 tag
};

// A file that cannot be read has no tags.
TWaveTagInfo ReadWaveTags(const QString& fileName);

// Kind 2 is the chunk: written into the first "id3 "/"ID3 " chunk (in place when
// it fits) or a new "id3 " chunk at the end of the RIFF, and a leading ID3v2 tag
// is moved into it; removed, the chunks and a leading tag go. Kinds 1 and 4 are
// blocks behind the RIFF that older writers left: written where one exists
// already, never added; removed, they go. A LIST/INFO chunk is left as it is.
// False (nothing written) when none of the kinds asked for can be written, the
// file is not RIFF, or a new chunk has no sound place (a chunk runs past the end).
bool ChangeWaveTags(const QString& fileName, const TTagChange& change);

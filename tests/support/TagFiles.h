// One tag kind of a file, read and written through the program's file-level
// writer (the tag classes only parse and render bytes): for tests that set up
// and look at one kind at a time.
#pragma once

#include "tags/ApeTag.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "tags/OggTag.h"

#include <QString>

template <class TTag> class TTagFile : public TTag {
public:
    QString FileName;

    bool Open(const QString& fileName) {
        FileName = fileName;
        return Read();
    }
    // False when the file cannot be read (for ID3v1: when it is shorter than
    // the block; for Vorbis comments: when it has no Vorbis headers).
    bool Read();
    // Writes Fields as this kind, everything else of the file kept, then reads
    // the file again. False or an exception as the reader's WriteTags gives them.
    bool Write();
    bool Remove();
};

using TId3V1File = TTagFile<TId3V1Tag>;
using TId3V2File = TTagFile<TId3V2Tag>;
using TApeTagFile = TTagFile<TAPEV2Tag>;
using TOggTagFile = TTagFile<TOggTag>;

#pragma once

#include "io/SonvaleError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TWFileStream;

// The Vorbis comment header of an Ogg Vorbis file: the user comments of the
// first Vorbis logical stream, read from a stream.
class TOggTag {
public:
    // Reads the three Vorbis header packets from the stream's start; true when
    // they were there. Fields then holds the user comments in file order, names
    // as stored.
    bool Read(TWFileStream& in);

    // "NAME=value" lines, UTF-16.
    QStringList Fields;
    // The vendor string as stored, and whether the Vorbis stream shares the
    // file with other logical streams (not writable).
    QByteArray Vendor;
    bool Multiplexed = false;
};

// The file is not an Ogg Vorbis stream that a comment rewrite can handle (not
// Ogg, not Vorbis, or interleaved with other logical streams).
class EOggNotWritable : public ESonvaleError {
public:
    EOggNotWritable() : ESonvaleError(QStringLiteral("Not a rewritable Ogg Vorbis stream")) {}
};

// Writes the file `in` (read from its start) to `out` with the comments of its
// first Vorbis logical stream replaced by the non-empty lines of `fields`,
// keeping the vendor string: the stream's header pages are rebuilt with the
// new comment packet and its audio packets re-paginated behind them; whatever
// follows the stream (later links of a chained file, trailing bytes) is copied
// unchanged. Raises EOggNotWritable, or ESonvaleError when a read or write
// fails.
void RewriteVorbisComments(TWFileStream& in, TWFileStream& out, const QStringList& fields);

#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

class TWFileStream;

// What an Ogg Vorbis file's properties and tags need, read from its first pages and its
// last page without libvorbis: unpacking the setup header's codebooks in the library costs
// far more than the rest of a scan of the file. The values are the ones libvorbisfile's
// seekable open reports (ov_info, ov_comment, ov_pcm_total), which the file reader keeps
// for decoding.
struct TVorbisSummary {
    uint32_t Serial = 0;
    int Channels = 0;
    int64_t Rate = 0;           // as stored, 32 bits unsigned
    int32_t BitrateNominal = 0; // as stored, 32 bits signed
    QByteArray Vendor;
    QList<QByteArray> Comments; // "NAME=value", as stored
    int64_t PcmTotal = 0;       // sample frames
};

// Fills `out` when the file is one plain Vorbis stream: pages one after another from the
// first byte, the three headers well-formed (the setup header checked as strictly as
// libvorbis checks it), a granule position among the first audio pages and a last page of
// the same stream at the very end. False for anything else (junk, other logical streams,
// gaps, damaged headers, chained streams ending in another one): the caller then asks
// libvorbisfile, which decides as it always has.
bool ReadVorbisSummary(TWFileStream& in, TVorbisSummary& out);

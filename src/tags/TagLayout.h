#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

class TWFileStream;

// A Lyrics3 block (version 1 or 2): no tag kind of ours, kept where it stands.
constexpr int kLyrics3Block = 0x100;

// One tag where it stands in a file, with its bytes.
struct TTagRegion {
    int Kind = 0; // tkId3v1, tkId3v2, tkApeV2 or kLyrics3Block; 0: none
    int64_t Offset = 0;
    int64_t Size = 0;
    QByteArray Bytes;
};

// The tags around the audio of a file as MPEG audio keeps them: an ID3v2 tag
// at the start, the audio, then ID3v1, APEv2 and Lyrics3 blocks in whatever
// order they stand.
struct TTagLayout {
    int64_t FileSize = 0;
    TTagRegion Leading;               // Kind 0 when there is no ID3v2 tag at the start
    std::vector<TTagRegion> Trailing; // in file order

    int64_t AudioStart() const { return Leading.Offset + Leading.Size; }
    // Where the trailing tags start; the file size when there are none.
    int64_t AudioEnd() const { return Trailing.empty() ? FileSize : Trailing.front().Offset; }
    const TTagRegion* Find(int kind) const;
};

// An ID3v2 tag at offset 0 of `in`, read whole (as far as the file goes).
TTagRegion ScanLeadingId3v2(TWFileStream& in);
// The ID3v1, APEv2 and Lyrics3 blocks that end at `end`, one before the other,
// none reaching below `floor`; in file order.
std::vector<TTagRegion> ScanTrailingTags(TWFileStream& in, int64_t floor, int64_t end);
// Both, for the file open in `in`: a few reads at its head and its tail.
TTagLayout ScanTagLayout(TWFileStream& in);

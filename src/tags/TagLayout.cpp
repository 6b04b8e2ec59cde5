#include "tags/TagLayout.h"

#include "io/WFileStream.h"
#include "tags/ApeTag.h"
#include "tags/Id3v2Tag.h"
#include "tags/TagKinds.h"

#include <algorithm>
#include <cstring>

namespace {

// Far more trailing blocks than any file has; a hostile file cannot loop.
constexpr int kMaxTrailing = 8;
// A Lyrics3 v1 block is at most this long before its end marker.
constexpr int64_t kLyrics3v1Max = 5100;

bool StartsWith(const QByteArray& b, const char* text) {
    return b.startsWith(QByteArray::fromRawData(text, int(std::strlen(text))));
}

// The block of the Lyrics3 tag that ends at `end`, or false.
bool FindLyrics3(TWFileStream& in, int64_t floor, int64_t end, int64_t& start) {
    if (end - floor < 20) return false;
    const QByteArray last = in.ReadBytesAt(end - 15, 15);
    if (last.size() == 15 && last.mid(6) == "LYRICS200") {
        bool ok = false;
        const int64_t n = last.left(6).toLongLong(&ok, 10);
        if (!ok || n < 11 || end - floor < n + 15) return false;
        start = end - 15 - n;
        return StartsWith(in.ReadBytesAt(start, 11), "LYRICSBEGIN");
    }
    if (last.size() == 15 && last.mid(6) == "LYRICSEND") {
        const int64_t from = std::max(floor, end - 9 - kLyrics3v1Max);
        const QByteArray window = in.ReadBytesAt(from, end - 9 - from);
        const int at = window.lastIndexOf("LYRICSBEGIN");
        if (at < 0) return false;
        start = from + at;
        return true;
    }
    return false;
}

} // namespace

const TTagRegion* TTagLayout::Find(int kind) const {
    if (Leading.Kind == kind) return &Leading;
    for (const TTagRegion& r : Trailing)
        if (r.Kind == kind) return &r;
    return nullptr;
}

TTagRegion ScanLeadingId3v2(TWFileStream& in) {
    TTagRegion r;
    const QByteArray header = in.ReadBytesAt(0, 10);
    const int64_t declared = TId3V2Tag::DeclaredSize(header);
    if (declared == 0) return r;
    r.Kind = tkId3v2;
    r.Bytes = in.ReadBytesAt(0, declared);
    r.Size = r.Bytes.size();
    return r;
}

std::vector<TTagRegion> ScanTrailingTags(TWFileStream& in, int64_t floor, int64_t end) {
    std::vector<TTagRegion> found;
    bool id3v1 = false;
    for (int i = 0; i < kMaxTrailing && end > floor; ++i) {
        TTagRegion r;
        const QByteArray footer = end - floor >= 32 ? in.ReadBytesAt(end - 32, 32) : QByteArray();
        const int64_t ape = TAPEV2Tag::FooterTagSize(footer);
        int64_t lyrics = 0;
        if (ape > 0 && ape <= end - floor) {
            r = {tkApeV2, end - ape, ape, {}};
        } else if (FindLyrics3(in, floor, end, lyrics)) {
            r = {kLyrics3Block, lyrics, end - lyrics, {}};
        } else if (!id3v1 && end - floor >= 128 && in.ReadBytesAt(end - 128, 3) == "TAG") {
            r = {tkId3v1, end - 128, 128, {}};
            id3v1 = true;
        } else {
            break;
        }
        r.Bytes = in.ReadBytesAt(r.Offset, r.Size);
        if (r.Bytes.size() != r.Size) break;
        found.push_back(std::move(r));
        end = found.back().Offset;
    }
    std::reverse(found.begin(), found.end());
    return found;
}

TTagLayout ScanTagLayout(TWFileStream& in) {
    TTagLayout layout;
    layout.FileSize = in.GetSize();
    layout.Leading = ScanLeadingId3v2(in);
    layout.Trailing = ScanTrailingTags(in, layout.AudioStart(), layout.FileSize);
    return layout;
}

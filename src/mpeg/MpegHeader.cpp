#include "mpeg/MpegHeader.h"

#include "io/WFileStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int kCacheSize = 32 * 1024;
// Frame positions are 32-bit: nothing at or past this offset is searched.
constexpr int64_t kSearchLimit = std::numeric_limits<int32_t>::max();
constexpr int32_t kMaxFrameSize = 10000;
// A file that starts with zeros has its search started no later than here.
constexpr int64_t kZeroRunEnd = 8191;

// kbit/s by [MPEG-1 ? 0 : 1][layer index][bitrate index].
constexpr int16_t kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

// Hz by version (MPEG-1, MPEG-2, MPEG-2.5) and sample-rate index.
constexpr int32_t kSampleRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// MPEG-1 frame durations in ms as fixed constants, by layer and rate index.
constexpr double kMpeg1Durations[3][3] = {
    {8.707483, 8.0, 12.0}, {26.12245, 24.0, 36.0}, {26.12245, 24.0, 36.0}};

TMpegVersion VersionOf(uint32_t word) {
    switch ((word >> 19) & 3) {
    case 3:
        return mvMpeg1;
    case 2:
        return mvMpeg2;
    case 0:
        return mvMpeg25;
    default:
        return mvReserved;
    }
}

int LayerIndexOf(uint32_t word) {
    return 3 - static_cast<int>((word >> 17) & 3);
}

// Size of an ID3v2 tag starting at offset 0, or 0 when there is none.
int64_t Id3v2TotalSize(TFrameStream& s) {
    uint8_t h[10];
    if (s.ReadAt(0, h, 10) != 10 || std::memcmp(h, "ID3", 3) != 0) return 0;
    int64_t body = (int64_t(h[6] & 0x7F) << 21) | (int64_t(h[7] & 0x7F) << 14) |
                   (int64_t(h[8] & 0x7F) << 7) | int64_t(h[9] & 0x7F);
    return body + 10 + ((h[5] & 0x10) ? 10 : 0);
}

// Size of a well-formed ID3v2 tag header at pos (version 2 to 4, syncsafe
// size bytes), or 0.
int64_t EmbeddedId3v2Size(TFrameStream& s, int64_t pos) {
    uint8_t h[10];
    if (s.ReadAt(pos, h, 10) != 10 || std::memcmp(h, "ID3", 3) != 0) return 0;
    if (h[3] < 2 || h[3] > 4 || h[4] == 0xFF) return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;
    int64_t body =
        (int64_t(h[6]) << 21) | (int64_t(h[7]) << 14) | (int64_t(h[8]) << 7) | int64_t(h[9]);
    return body + 10 + ((h[5] & 0x10) ? 10 : 0);
}

} // namespace

// ---------------------------------------------------------------------------

TFrameStream::TFrameStream(const QString& fileName)
    : owned(std::make_unique<TWFileStream>(fileName, fmOpenRead | fmShareDenyNone)) {
    stream = owned.get();
    size = stream->GetSize();
}

TFrameStream::TFrameStream(TWFileStream& s) : stream(&s) {
    size = stream->GetSize();
    Position = stream->Position();
}

TFrameStream::~TFrameStream() = default;

void TFrameStream::SetEnd(int64_t end) {
    if (end < 0 || end >= size) return;
    size = end;
    // ByteAt serves the cache without a bounds check: it must hold nothing past the end.
    cacheLen = static_cast<int>(std::clamp<int64_t>(size - cacheStart, 0, cacheLen));
}

bool TFrameStream::Fill(int64_t pos) {
    if (pos < 0 || pos >= size) return false;
    if (cache.empty()) cache.resize(kCacheSize);
    stream->Seek(pos, TSeekOrigin::soBeginning);
    cacheStart = pos;
    cacheLen =
        static_cast<int>(stream->Read(cache.data(), std::min<int64_t>(kCacheSize, size - pos)));
    return cacheLen > 0;
}

int TFrameStream::ByteAtSlow(int64_t pos) {
    if (!Fill(pos)) return -1;
    return cache[0];
}

int64_t TFrameStream::NextCandidate(int64_t pos, int64_t end) {
    end = std::min(end, size);
    while (pos < end) {
        if (!(pos >= cacheStart && pos < cacheStart + cacheLen) && !Fill(pos)) return end;
        const uint8_t* base = cache.data() + (pos - cacheStart);
        size_t n = size_t(std::min<int64_t>(cacheStart + cacheLen, end) - pos);
        const void* hits[3] = {std::memchr(base, 0xFF, n), std::memchr(base, 'I', n),
                               std::memchr(base, 'T', n)};
        const uint8_t* first = nullptr;
        for (const void* h : hits) {
            auto* b = static_cast<const uint8_t*>(h);
            if (b && (!first || b < first)) first = b;
        }
        if (first) return pos + (first - base);
        pos += int64_t(n);
        // Holes of a sparse file hold nothing: do not read gigabytes of zeros.
        pos = stream->NextData(pos);
    }
    return end;
}

int TFrameStream::ReadAt(int64_t pos, void* dst, int count) {
    if (count <= 0 || pos < 0 || pos >= size) return 0;
    if (pos + count > size) count = static_cast<int>(size - pos);
    auto* out = static_cast<uint8_t*>(dst);
    if (pos >= cacheStart && pos + count <= cacheStart + cacheLen) {
        std::memcpy(out, cache.data() + (pos - cacheStart), count);
        return count;
    }
    if (count > kCacheSize / 2) {
        stream->Seek(pos, TSeekOrigin::soBeginning);
        return static_cast<int>(stream->Read(out, count));
    }
    if (!Fill(pos)) return 0;
    int n = std::min(count, cacheLen);
    std::memcpy(out, cache.data(), n);
    return n;
}

// ---------------------------------------------------------------------------

TMpegVersion TMpegHeader::Version() const {
    return VersionOf(Word);
}

int32_t TMpegHeader::BitrateOf(uint32_t word) {
    int layer = LayerIndexOf(word);
    if (layer > 2) return 0;
    int row = ((word >> 19) & 1) ? 0 : 1;
    return int32_t(kBitrates[row][layer][(word >> 12) & 15]) * 1000;
}

int32_t TMpegHeader::SampleRateOf(uint32_t word) {
    TMpegVersion v = VersionOf(word);
    int index = (word >> 10) & 3;
    if (v == mvReserved || index == 3) return 0;
    return kSampleRates[v][index];
}

int32_t TMpegHeader::Bitrate() const {
    return BitrateOf(Word);
}

int32_t TMpegHeader::SampleRate() const {
    return SampleRateOf(Word);
}

int TMpegHeader::SamplesPerFrame() const {
    switch (LayerIndex()) {
    case 0:
        return 384;
    case 1:
        return 1152;
    case 2:
        return IsMpeg1() ? 1152 : 576;
    default:
        return 0;
    }
}

double TMpegHeader::FrameDuration() const {
    int layer = LayerIndex();
    int rateIndex = SampleRateIndex();
    if (layer > 2 || rateIndex == 3) return 0.0;
    if (Version() == mvMpeg1) return kMpeg1Durations[layer][rateIndex];
    int32_t rate = SampleRate();
    return rate > 0 ? SamplesPerFrame() * 1000.0 / rate : 0.0;
}

int TMpegHeader::SideInfoSize() const {
    if (IsMpeg1()) return Channels() == 1 ? 17 : 32;
    return Channels() == 1 ? 9 : 17;
}

void TMpegHeader::Clear() {
    Word = 0;
    FrameSize = 0;
    MainDataSize = 0;
}

void TMpegHeader::ParseHeader(uint32_t word) {
    Clear();
    if (word < 0xFFE00000u) return;
    int layer = LayerIndexOf(word);
    if (layer > 2) return;
    int64_t rate = SampleRateOf(word);
    int64_t bitrate = BitrateOf(word);
    if (rate == 0 || bitrate == 0) return;
    int64_t padding = (word >> 9) & 1;
    int64_t size;
    switch (layer) {
    case 0:
        size = (bitrate * 12 / rate + padding) * 4;
        break;
    case 1:
        size = bitrate * 144 / rate + padding;
        break;
    default:
        // 144 * bitrate / rate (72 for the half-rate versions), exact also at
        // 11025 Hz where rate / 50 is not whole.
        size = bitrate * (((word >> 19) & 1) ? 144 : 72) / rate + padding;
        break;
    }
    if (size <= 0 || size > kMaxFrameSize) return;
    Word = word;
    FrameSize = static_cast<int32_t>(size);
    MainDataSize = FrameSize - 4 - (IsProtected() ? 2 : 0) - (layer == 2 ? SideInfoSize() : 0);
}

bool TMpegHeader::ReadHeaderAt(TFrameStream& stream, int64_t offset) {
    Clear();
    Crc[0] = Crc[1] = 0;
    if (offset < 0 || offset > kSearchLimit) return false;
    Position = static_cast<int32_t>(offset);
    uint8_t b[6] = {0, 0, 0, 0, 0, 0};
    int got = stream.ReadAt(offset, b, 6);
    if (got < 4) return false;
    ParseHeader((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]);
    if (IsValid() && IsProtected()) {
        Crc[0] = b[4];
        Crc[1] = b[5];
    }
    stream.Position = offset + 4 + (IsValid() && IsProtected() ? 2 : 0);
    return IsValid();
}

bool TMpegHeader::FindFrame(TWFileStream& stream, bool next) {
    TFrameStream view(stream);
    bool found = FindFrame(view, next);
    stream.Seek(view.Position, TSeekOrigin::soBeginning);
    return found;
}

bool TMpegHeader::FindFrame(TFrameStream& stream, bool next) {
    int64_t pos = next ? int64_t(Position) + FrameSize : stream.Position;
    Word = 0;
    Resynced = false;
    FrameSize = 0;
    MainDataSize = 0;
    const int64_t size = std::min(stream.Size(), kSearchLimit);

    if (pos == 0) {
        int64_t tag = Id3v2TotalSize(stream);
        if (tag > 0) {
            // Zero padding after the tag, possibly up to the end of the file.
            pos = tag;
            for (;;) {
                int b = pos < size ? stream.ByteAt(pos) : -1;
                if (b < 0) {
                    stream.Position = pos;
                    return false;
                }
                if (b != 0) break;
                ++pos;
            }
        } else {
            uint8_t first[4];
            if (stream.ReadAt(0, first, 4) == 4 &&
                (first[0] | first[1] | first[2] | first[3]) == 0) {
                pos = 4;
                while (pos < kZeroRunEnd && stream.ByteAt(pos) == 0)
                    ++pos;
            }
        }
    }

    int64_t tag = 0;
    for (;;) {
        if (pos >= size - 4) {
            stream.Position = std::max<int64_t>(pos, 0);
            return false;
        }
        int b0 = stream.ByteAt(pos), b1 = stream.ByteAt(pos + 1);
        if (b0 == 0xFF && (b1 & 0xE0) == 0xE0) {
            uint32_t word = (uint32_t(b0) << 24) | (uint32_t(b1) << 16) |
                            (uint32_t(stream.ByteAt(pos + 2)) << 8) |
                            uint32_t(stream.ByteAt(pos + 3));
            ParseHeader(word);
            if (IsValid()) {
                Position = static_cast<int32_t>(pos);
                if (pos + FrameSize > size) {
                    Clear();
                    stream.Position = pos;
                    return false;
                }
                Crc[0] = Crc[1] = 0;
                if (IsProtected()) {
                    Crc[0] = static_cast<uint8_t>(stream.ByteAt(pos + 4));
                    Crc[1] = static_cast<uint8_t>(stream.ByteAt(pos + 5));
                }
                stream.Position = pos + 4 + (IsProtected() ? 2 : 0);
                return true;
            }
            Resynced = true;
            pos += 2;
        } else if (b0 == 'I' && b1 == 'D' && (tag = EmbeddedId3v2Size(stream, pos)) > 0) {
            // A tag after garbage or a second tag: its body is not audio and
            // often holds byte pairs that look like frame headers.
            Resynced = true;
            pos += tag;
        } else if (b0 == 'T' && b1 == 'A' && stream.ByteAt(pos + 2) == 'G') {
            if (pos + 124 >= size) {
                stream.Position = pos;
                return false;
            }
            pos += 128;
        } else {
            Resynced = true;
            // Only 0xFF, "I" and "T" can start something: jump to the next.
            pos = stream.NextCandidate(pos + 1, size);
        }
    }
}

#include "tags/VorbisSummary.h"

#include "io/WFileStream.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Ogg's CRC-32: polynomial 0x04C11DB7, most significant bit first, no inversion; eight
// tables so that a page's bytes go eight at a time.
using TCrcTables = std::array<std::array<uint32_t, 256>, 8>;
constexpr TCrcTables MakeCrcTables() {
    TCrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        t[0][i] = r;
    }
    for (int k = 1; k < 8; ++k)
        for (uint32_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    return t;
}
constexpr TCrcTables kCrc = MakeCrcTables();

uint32_t Crc(uint32_t crc, const uint8_t* p, size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        const uint32_t hi = crc ^ (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 |
                                   uint32_t(p[2]) << 8 | uint32_t(p[3]));
        crc = kCrc[7][hi >> 24] ^ kCrc[6][(hi >> 16) & 0xFF] ^ kCrc[5][(hi >> 8) & 0xFF] ^
              kCrc[4][hi & 0xFF] ^ kCrc[3][p[4]] ^ kCrc[2][p[5]] ^ kCrc[1][p[6]] ^ kCrc[0][p[7]];
    }
    for (; n > 0; --n, ++p)
        crc = (crc << 8) ^ kCrc[0][(crc >> 24) ^ *p];
    return crc;
}

uint32_t Le32(const uint8_t* p) {
    return qFromLittleEndian<quint32>(p);
}

// Bits needed for v (0 for 0), as Vorbis headers count them.
int Ilog(uint32_t v) {
    return v ? 32 - std::countl_zero(v) : 0;
}

struct TPage {
    int64_t Offset = 0;
    int64_t Size = 0; // header and body
    int Header = 0;   // 27 + segments
    uint8_t Flags = 0;
    int64_t Granule = 0;
    uint32_t Serial = 0;
    uint32_t Sequence = 0;
};

enum class TParse { Page, Short, NotPage };

// The page at p when [p, p + avail) holds all of it, it is version 0 and its checksum is right.
TParse ParsePage(const uint8_t* p, int64_t avail, int64_t offset, TPage& page) {
    if (avail < 27) return TParse::Short;
    if (std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) return TParse::NotPage;
    const int header = 27 + p[26];
    if (avail < header) return TParse::Short;
    int64_t body = 0;
    for (int i = 27; i < header; ++i)
        body += p[i];
    if (avail < header + body) return TParse::Short;
    static const uint8_t zeros[4] = {};
    uint32_t crc = Crc(0, p, 22);
    crc = Crc(crc, zeros, 4);
    crc = Crc(crc, p + 26, size_t(header + body - 26));
    if (crc != Le32(p + 22)) return TParse::NotPage;
    page.Offset = offset;
    page.Size = header + body;
    page.Header = header;
    page.Flags = p[5];
    page.Granule = qFromLittleEndian<qint64>(p + 6);
    page.Serial = Le32(p + 14);
    page.Sequence = Le32(p + 18);
    return TParse::Page;
}

// Reads a packet's bits least significant first. Reading past the end fails for good, as
// it makes libvorbis's header checks fail.
class TBits {
public:
    TBits(const uint8_t* data, size_t bytes) : data(data), bits(uint64_t(bytes) * 8) {}
    uint32_t Read(int n) {
        if (n == 0 || failed) return 0;
        if (pos + uint64_t(n) > bits) return Fail();
        const size_t byte = size_t(pos >> 3);
        const int shift = int(pos & 7);
        uint64_t acc = 0;
        if (bits - pos >= 64) {
            acc = qFromLittleEndian<quint64>(data + byte);
        } else {
            for (int i = 0, need = (shift + n + 7) >> 3; i < need; ++i)
                acc |= uint64_t(data[byte + size_t(i)]) << (8 * i);
        }
        pos += uint64_t(n);
        return uint32_t((acc >> shift) & ((uint64_t(1) << n) - 1));
    }
    uint32_t ReadBit() {
        if (failed || pos >= bits) return Fail();
        const uint32_t v = (data[pos >> 3] >> (pos & 7)) & 1;
        ++pos;
        return v;
    }
    void Skip(uint64_t n) {
        if (failed) return;
        if (n > bits - pos)
            Fail();
        else
            pos += n;
    }
    // Whole bytes left, as libvorbis's size checks count them.
    uint64_t BytesLeft() const { return bits / 8 - (pos + 7) / 8; }
    bool Failed() const { return failed; }
    // Reads the packet type byte and "vorbis".
    bool Header(uint32_t type) {
        if (Read(8) != type) return false;
        for (char c : {'v', 'o', 'r', 'b', 'i', 's'})
            if (Read(8) != uint32_t(uint8_t(c))) return false;
        return !failed;
    }

private:
    uint32_t Fail() {
        failed = true;
        pos = bits;
        return 0;
    }
    const uint8_t* data;
    uint64_t bits;
    uint64_t pos = 0;
    bool failed = false;
};

struct TBook {
    uint32_t Dim = 0;
    uint32_t Entries = 0;
    uint32_t MapType = 0;
};

// The largest v with v^dim <= entries.
uint64_t LatticeValues(uint32_t entries, uint32_t dim) {
    if (entries < 1) return 0;
    const auto fits = [&](uint64_t v) {
        uint64_t acc = 1;
        for (uint32_t i = 0; i < dim; ++i) {
            if (acc > entries / v) return false;
            acc *= v;
        }
        return true;
    };
    uint64_t v = std::max<uint64_t>(1, uint64_t(std::floor(std::pow(double(entries), 1.0 / dim))));
    while (v > 1 && !fits(v))
        --v;
    while (fits(v + 1))
        ++v;
    return v;
}

bool ReadBook(TBits& b, TBook& book) {
    if (b.Read(24) != 0x564342) return false;
    book.Dim = b.Read(16);
    book.Entries = b.Read(24);
    if (b.Failed() || Ilog(book.Dim) + Ilog(book.Entries) > 24) return false;
    if (b.Read(1) == 0) {
        const bool sparse = b.Read(1);
        if ((uint64_t(book.Entries) * (sparse ? 1 : 5) + 7) / 8 > b.BytesLeft()) return false;
        // Only the lengths' presence matters here, not their values.
        if (!sparse) b.Skip(uint64_t(book.Entries) * 5);
        for (uint32_t i = 0; sparse && i < book.Entries && !b.Failed(); ++i)
            if (b.ReadBit()) b.Skip(5);
    } else {
        uint32_t length = b.Read(5) + 1;
        for (uint32_t i = 0; i < book.Entries;) {
            const uint32_t num = b.Read(Ilog(book.Entries - i));
            if (b.Failed()) return false;
            if (length > 32 || num > book.Entries - i ||
                (num > 0 && ((num - 1) >> (length - 1)) > 1))
                return false;
            i += num;
            ++length;
        }
    }
    book.MapType = b.Read(4);
    if (book.MapType == 1 || book.MapType == 2) {
        b.Read(32); // minimum value
        b.Read(32); // delta
        const uint32_t quantBits = b.Read(4) + 1;
        b.Read(1); // sequence flag
        const uint64_t values = book.MapType == 1
                                    ? (book.Dim == 0 ? 0 : LatticeValues(book.Entries, book.Dim))
                                    : uint64_t(book.Entries) * book.Dim;
        if (b.Failed() || (values * quantBits + 7) / 8 > b.BytesLeft()) return false;
        b.Skip(values * quantBits);
    } else if (book.MapType != 0) {
        return false;
    }
    return !b.Failed();
}

bool ReadFloor0(TBits& b, const std::vector<TBook>& books) {
    const uint32_t order = b.Read(8), rate = b.Read(16), barkMap = b.Read(16);
    b.Read(6); // amplitude bits
    b.Read(8); // amplitude offset
    const uint32_t count = b.Read(4) + 1;
    if (b.Failed() || order < 1 || rate < 1 || barkMap < 1) return false;
    for (uint32_t j = 0; j < count; ++j) {
        const uint32_t book = b.Read(8);
        if (b.Failed() || book >= books.size() || books[book].MapType == 0 || books[book].Dim < 1)
            return false;
    }
    return true;
}

bool ReadFloor1(TBits& b, const std::vector<TBook>& books) {
    const uint32_t partitions = b.Read(5);
    uint32_t partitionClass[32];
    int maxClass = -1;
    for (uint32_t j = 0; j < partitions; ++j) {
        partitionClass[j] = b.Read(4);
        maxClass = std::max(maxClass, int(partitionClass[j]));
    }
    uint32_t classDim[16] = {};
    for (int j = 0; j <= maxClass; ++j) {
        classDim[j] = b.Read(3) + 1;
        const uint32_t subs = b.Read(2);
        if (subs && b.Read(8) >= books.size()) return false;
        for (uint32_t k = 0; k < (1u << subs); ++k)
            if (int64_t(b.Read(8)) - 1 >= int64_t(books.size())) return false;
    }
    b.Read(2); // multiplier
    const int rangeBits = int(b.Read(4));
    std::vector<uint32_t> posts{0, 1u << rangeBits};
    for (uint32_t j = 0; j < partitions; ++j) {
        const uint32_t dim = classDim[partitionClass[j]];
        if (posts.size() - 2 + dim > 63) return false;
        for (uint32_t k = 0; k < dim; ++k)
            posts.push_back(b.Read(rangeBits));
    }
    if (b.Failed()) return false;
    std::sort(posts.begin(), posts.end());
    return std::adjacent_find(posts.begin(), posts.end()) == posts.end();
}

bool ReadResidue(TBits& b, const std::vector<TBook>& books) {
    const uint32_t begin = b.Read(24), end = b.Read(24);
    b.Read(24); // partition size
    const uint32_t partitions = b.Read(6) + 1;
    const uint32_t groupBook = b.Read(8);
    int stages = 0;
    for (uint32_t j = 0; j < partitions; ++j) {
        uint32_t cascade = b.Read(3);
        if (b.Read(1)) cascade |= b.Read(5) << 3;
        stages += std::popcount(cascade);
    }
    for (int j = 0; j < stages; ++j) {
        const uint32_t book = b.Read(8);
        if (!b.Failed() && (book >= books.size() || books[book].MapType == 0)) return false;
    }
    // Stricter than the format asks, never looser than libvorbis: such a file goes
    // to the library, which decides.
    if (b.Failed() || groupBook >= books.size() || end < begin) return false;
    const TBook& group = books[groupBook];
    if (group.Dim < 1) return false;
    uint64_t values = 1;
    for (uint32_t d = 0; d < group.Dim; ++d) {
        values *= partitions;
        if (values > group.Entries) return false;
    }
    return true;
}

bool ReadMapping(TBits& b, int channels, size_t floors, size_t residues) {
    const uint32_t submaps = b.Read(1) ? b.Read(4) + 1 : 1;
    if (b.Read(1)) {
        const uint32_t steps = b.Read(8) + 1;
        const int bits = Ilog(uint32_t(channels - 1));
        for (uint32_t i = 0; i < steps; ++i) {
            const uint32_t magnitude = b.Read(bits), angle = b.Read(bits);
            if (b.Failed() || magnitude == angle || magnitude >= uint32_t(channels) ||
                angle >= uint32_t(channels))
                return false;
        }
    }
    if (b.Read(2) != 0) return false;
    if (submaps > 1)
        for (int i = 0; i < channels; ++i)
            if (b.Read(4) >= submaps) return false;
    for (uint32_t i = 0; i < submaps; ++i) {
        b.Read(8); // unused time configuration
        if (b.Read(8) >= floors || b.Read(8) >= residues) return false;
    }
    return !b.Failed();
}

// The setup header, checked as libvorbis checks it; fills the long-block flag of each mode.
bool ReadSetup(TBits& b, int channels, std::vector<bool>& longModes) {
    if (!b.Header(5)) return false;
    std::vector<TBook> books(b.Read(8) + 1);
    for (TBook& book : books)
        if (!ReadBook(b, book)) return false;
    const uint32_t times = b.Read(6) + 1;
    for (uint32_t i = 0; i < times; ++i)
        if (b.Read(16) != 0) return false;
    const uint32_t floors = b.Read(6) + 1;
    for (uint32_t i = 0; i < floors; ++i) {
        const uint32_t type = b.Read(16);
        if (b.Failed() || type > 1) return false;
        if (!(type == 0 ? ReadFloor0(b, books) : ReadFloor1(b, books))) return false;
    }
    const uint32_t residues = b.Read(6) + 1;
    for (uint32_t i = 0; i < residues; ++i)
        if (b.Read(16) > 2 || !ReadResidue(b, books)) return false;
    const uint32_t maps = b.Read(6) + 1;
    for (uint32_t i = 0; i < maps; ++i)
        if (b.Read(16) != 0 || !ReadMapping(b, channels, floors, residues)) return false;
    const uint32_t modes = b.Read(6) + 1;
    longModes.assign(modes, false);
    for (uint32_t i = 0; i < modes; ++i) {
        longModes[i] = b.Read(1);
        if (b.Read(16) != 0 || b.Read(16) != 0 || b.Read(8) >= maps) return false;
    }
    return b.Read(1) == 1 && !b.Failed();
}

bool ReadIdentification(TBits& b, TVorbisSummary& out, int blockSizes[2]) {
    if (!b.Header(1) || b.Read(32) != 0) return false;
    out.Channels = int(b.Read(8));
    out.Rate = b.Read(32);
    b.Read(32); // upper bit rate
    out.BitrateNominal = int32_t(b.Read(32));
    b.Read(32); // lower bit rate
    blockSizes[0] = 1 << b.Read(4);
    blockSizes[1] = 1 << b.Read(4);
    return out.Rate >= 1 && out.Channels >= 1 && blockSizes[0] >= 64 &&
           blockSizes[1] >= blockSizes[0] && blockSizes[1] <= 8192 && b.Read(1) == 1 && !b.Failed();
}

bool ReadComments(TBits& b, size_t bytes, const uint8_t* data, TVorbisSummary& out) {
    if (!b.Header(3)) return false;
    // Byte-aligned from here on: 7 bytes read.
    size_t at = 7;
    const auto take32 = [&](uint32_t& v) {
        if (bytes - at < 4) return false;
        v = Le32(data + at);
        at += 4;
        return true;
    };
    uint32_t length = 0, count = 0;
    if (!take32(length) || length > bytes - 8 || length > bytes - at) return false;
    out.Vendor = QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length));
    at += length;
    if (!take32(count) || count > (bytes - at) / 4) return false;
    out.Comments.reserve(qsizetype(count));
    for (uint32_t i = 0; i < count; ++i) {
        if (!take32(length) || length > bytes - at) return false;
        out.Comments.append(
            QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length)));
        at += length;
    }
    return at < bytes && (data[at] & 1);
}

// Bytes of the file, not zero-filled before they are read.
class TBytes {
public:
    uint8_t* Data() { return data.get(); }
    int64_t Size() const { return size; }
    // Reads [offset, offset + count) of the file, keeping the first `keep` bytes held.
    bool Load(TWFileStream& in, int64_t offset, int64_t count, int64_t keep = 0) {
        std::unique_ptr<uint8_t[]> bigger(new uint8_t[size_t(keep + count)]);
        if (keep > 0) std::memcpy(bigger.get(), data.get(), size_t(keep));
        data = std::move(bigger);
        const int64_t got = in.ReadAt(offset, data.get() + keep, count);
        size = keep + std::max<int64_t>(got, 0);
        return got == count;
    }

private:
    std::unique_ptr<uint8_t[]> data;
    int64_t size = 0;
};

// The file's first bytes, read as far as the pages need.
class THead {
public:
    explicit THead(TWFileStream& in) : in(in), size(in.GetSize()) {}
    // The page starting exactly at offset.
    bool PageAt(int64_t offset, TPage& page) {
        for (;;) {
            const int64_t have = bytes.Size();
            const TParse r = offset < have
                                 ? ParsePage(bytes.Data() + offset, have - offset, offset, page)
                                 : TParse::Short;
            if (r != TParse::Short) return r == TParse::Page;
            const int64_t want = std::min(size, std::max<int64_t>(have * 2, 16 * 1024));
            if (have >= size || !bytes.Load(in, have, want - have, have)) return false;
        }
    }
    const uint8_t* At(int64_t offset) { return bytes.Data() + offset; }

private:
    TWFileStream& in;
    int64_t size;
    TBytes bytes;
};

// The last page of the file, when it ends exactly at the end of the file.
bool LastPage(TWFileStream& in, TPage& page) {
    const int64_t size = in.GetSize();
    // Most last pages are a few KiB; none is over 27 + 255 + 255 * 255 bytes.
    for (int64_t span : {int64_t(8 * 1024), int64_t(65307)}) {
        const int64_t start = std::max<int64_t>(0, size - span);
        TBytes tail;
        if (!tail.Load(in, start, size - start)) return false;
        for (int64_t at = tail.Size() - 27; at >= 0; --at) {
            const uint8_t* p = tail.Data() + at;
            if (p[0] != 'O' || std::memcmp(p, "OggS", 4) != 0) continue;
            const int64_t left = tail.Size() - at;
            if (ParsePage(p, left, start + at, page) == TParse::Page && page.Size == left)
                return true;
        }
        if (start == 0) break;
    }
    return false;
}

constexpr int64_t kMaxHead = 32 * 1024 * 1024;
constexpr int kMaxAudioPages = 64;

} // namespace

bool ReadVorbisSummary(TWFileStream& in, TVorbisSummary& out) {
    out = TVorbisSummary{};
    THead head(in);
    TPage page;
    if (!head.PageAt(0, page) || !(page.Flags & 2)) return false;
    out.Serial = page.Serial;

    int blockSizes[2] = {};
    std::vector<bool> longModes;
    int modeBits = 0;
    int headers = 0;        // of the three, done
    int64_t lastBlock = -1; // libvorbisfile's count of the samples before the first granule
    int64_t counted = 0;
    std::vector<uint8_t> packet;
    bool partial = false;

    const auto take = [&](const uint8_t* data, size_t n) {
        TBits b(data, n);
        switch (headers) {
        case 0:
            return ReadIdentification(b, out, blockSizes);
        case 1:
            return ReadComments(b, n, data, out);
        case 2:
            if (!ReadSetup(b, out.Channels, longModes)) return false;
            modeBits = Ilog(uint32_t(longModes.size() - 1));
            return true;
        default:
            // An audio packet's block size; what libvorbis cannot size is left out.
            if (b.Read(1) != 0 || b.Failed()) return true;
            const uint32_t mode = b.Read(modeBits);
            if (b.Failed() || mode >= longModes.size()) return true;
            const int64_t block = blockSizes[longModes[mode] ? 1 : 0];
            if (lastBlock != -1) counted += (lastBlock + block) >> 2;
            lastBlock = block;
            return true;
        }
    };

    int64_t offset = 0;
    uint32_t sequence = page.Sequence;
    int audioPages = 0;
    for (bool first = true;; first = false) {
        if (!first) {
            offset += page.Size;
            // The head is held whole: a file whose headers or first granule lie further
            // in (huge pictures in the comments, endless pages without a granule) is left
            // to the library, which streams it.
            if (offset > kMaxHead || (headers == 3 && ++audioPages > kMaxAudioPages)) return false;
            // The next page must follow in the same stream, without a gap.
            if (!head.PageAt(offset, page) || page.Serial != out.Serial || (page.Flags & 2) ||
                page.Sequence != ++sequence)
                return false;
        }
        if (bool(page.Flags & 1) != partial) return false;
        const int headersBefore = headers;
        const uint8_t* lacing = head.At(page.Offset + 27);
        const uint8_t* body = head.At(page.Offset + page.Header);
        const int segments = page.Header - 27;
        for (int i = 0; i < segments; ++i) {
            packet.insert(packet.end(), body, body + lacing[i]);
            body += lacing[i];
            if (lacing[i] == 255) continue;
            // Packets come in order, so the identification header is the first one.
            if (!take(packet.data(), packet.size())) return false;
            if (headers < 3) ++headers;
            packet.clear();
        }
        partial = segments > 0 && lacing[segments - 1] == 255;
        if (first && headers == 0) return false;
        // libvorbisfile takes the first granule of a page read after the headers.
        if (headersBefore == 3 && page.Granule != -1) break;
    }
    const int64_t pcmOffset = std::max<int64_t>(0, page.Granule - counted);

    TPage last;
    if (!LastPage(in, last) || last.Serial != out.Serial) return false;
    out.PcmTotal = std::max<int64_t>(0, std::max<int64_t>(0, last.Granule) - pcmOffset);
    return true;
}

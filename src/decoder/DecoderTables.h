#pragma once

#include <cstdint>
#include <cstring>

// Tables and small helpers shared by the MPEG audio layer decoders.
namespace mpdec {

// One Huffman code book of layer III: code words and their lengths for each (x, y)
// pair, row-major; Size is the number of values per axis.
struct THuffSource {
    const uint16_t* Codes;
    const uint8_t* Lengths;
    int Size;
    int LinBits;
};

extern const THuffSource kHuffSources[32];
extern const int32_t kSynthWindow[512]; // units of 2^-16

// Layer III scale-factor band boundaries, rows by TFrameInfo::SfreqIndex.
struct TSfBands {
    int16_t Long[23];
    int16_t Short[14];
};
extern const TSfBands kSfBands[9];
extern const uint8_t kPretab[22];
extern const uint8_t kLsfSfbCount[6][3][4];

// Layer II quantisation classes: levels and bits per code (per group of three when grouped).
struct TQuantClass {
    int Levels;
    int Bits;
    bool Grouped;
};
extern const TQuantClass kQuantClasses[17];

// One layer II allocation table: per subband the allocation field width and the class
// of each allocation code (index 0 means no allocation).
struct TAllocTable {
    int SbLimit;
    const uint8_t* NBal;            // per subband
    const int8_t* const* ClassRows; // per subband, ClassRows[sb][code - 1]
};
const TAllocTable& AllocTableFor(bool lsf, int sampleRate, int bitrateKbps, int channels);

const float* ScaleFactors(); // layers I and II: 2^(1 - i/3), 64 entries; 63 gives 0

// The fields of a frame header word and what follows from them.
struct TFrameInfo {
    uint32_t Word = 0;
    bool Lsf = false;    // MPEG-2 or MPEG-2.5
    bool Mpeg25 = false; // MPEG-2.5
    int Layer = 0;       // 1, 2 or 3; 0 when invalid
    bool Protected = false;
    int BitrateIndex = 0;
    int SampleRateIndex = 0;
    int Padding = 0;
    int Mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int ModeExt = 0;
    int Channels = 0;
    int SampleRate = 0;
    int BitrateKbps = 0;
    int SfreqIndex = 0; // 0..2 MPEG-1 (44.1, 48, 32), 3..5 MPEG-2, 6..8 MPEG-2.5

    // False for words that are not a usable layer I to III header.
    bool Parse(uint32_t word);
    int SamplesPerFrame() const;
};

// Bounded bit reader over a byte buffer. Reads past the limit give zero bits; the
// buffer itself must stay readable for 8 bytes past the limit.
class TBitReader {
public:
    TBitReader() = default;
    TBitReader(const uint8_t* data, int limitBytes) { Init(data, limitBytes); }
    void Init(const uint8_t* data, int limitBytes) {
        Data = data;
        LimitBits = limitBytes > 0 ? int64_t(limitBytes) * 8 : 0;
        Pos = 0;
    }
    // The next 32 bits, MSB first, without advancing.
    uint32_t Peek32() const {
        if (Pos >= LimitBits) return 0;
        uint64_t v = LoadBigEndian64(Data + (Pos >> 3)) << (Pos & 7);
        uint32_t r = uint32_t(v >> 32);
        int64_t left = LimitBits - Pos;
        if (left < 32) r &= ~(0xFFFFFFFFu >> left);
        return r;
    }
    // The next 57 bits or more, MSB first (later bits may be zero), without advancing.
    uint64_t Peek64() const {
        if (Pos >= LimitBits) return 0;
        uint64_t v = LoadBigEndian64(Data + (Pos >> 3)) << (Pos & 7);
        int64_t left = LimitBits - Pos;
        if (left < 64) v &= ~(~uint64_t(0) >> left);
        return v;
    }
    uint32_t Get(int n) {
        if (n <= 0) return 0;
        uint32_t r = Peek32() >> (32 - n);
        Pos += n;
        return r;
    }
    int Get1() { return int(Get(1)); }
    void Skip(int64_t n) { Pos += n; }
    static uint64_t LoadBigEndian64(const uint8_t* p) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        uint64_t v;
        std::memcpy(&v, p, sizeof(v));
        return __builtin_bswap64(v);
#else
        uint64_t r = 0;
        for (int i = 0; i < 8; ++i)
            r = (r << 8) | p[i];
        return r;
#endif
    }
    int64_t Pos = 0;
    int64_t LimitBits = 0;
    const uint8_t* Data = nullptr;
};

} // namespace mpdec

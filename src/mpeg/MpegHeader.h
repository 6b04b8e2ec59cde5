#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TWFileStream;

// Random-access, read-ahead view of a file for the frame search and the frame
// loader. The frame search reads a few bytes at a time; going through the OS
// for each would cost a system call per byte of garbage.
class TFrameStream {
public:
    // Opens the file for reading with deny-none sharing; raises EFOpenError.
    explicit TFrameStream(const QString& fileName);
    // Reads through a stream owned by the caller.
    explicit TFrameStream(TWFileStream& stream);
    ~TFrameStream();
    TFrameStream(const TFrameStream&) = delete;
    TFrameStream& operator=(const TFrameStream&) = delete;

    // The bytes the search may see: the file's size, or less after SetEnd.
    int64_t Size() const { return size; }
    // Ends the view at `end` (where trailing tags start), so that nothing
    // after it is searched or read; a negative or larger value changes nothing.
    void SetEnd(int64_t end);
    // Bytes copied (short at the end of the file, 0 for a negative position).
    int ReadAt(int64_t pos, void* dst, int count);
    // The first position in [pos, end) holding 0xFF, 'I' or 'T', else end.
    int64_t NextCandidate(int64_t pos, int64_t end);
    // One byte, or -1 outside the file.
    int ByteAt(int64_t pos) {
        if (pos >= cacheStart && pos < cacheStart + cacheLen) return cache[pos - cacheStart];
        return ByteAtSlow(pos);
    }
    // The position a non-continuing frame search starts from.
    int64_t Position = 0;

private:
    int ByteAtSlow(int64_t pos);
    bool Fill(int64_t pos);
    std::unique_ptr<TWFileStream> owned;
    TWFileStream* stream = nullptr;
    int64_t size = 0;
    std::vector<uint8_t> cache;
    int64_t cacheStart = 0;
    int cacheLen = 0;
};

enum TMpegVersion : int { mvMpeg1 = 0, mvMpeg2 = 1, mvMpeg25 = 2, mvReserved = 3 };

// One MPEG audio frame header, and the search for the next frame in a file.
class TMpegHeader {
public:
    uint32_t Word = 0;        // the 4 header bytes, big-endian; 0 when invalid
    int32_t FrameSize = 0;    // whole frame in bytes, header included
    int32_t MainDataSize = 0; // after header, CRC and layer III side information
    int32_t Position = 0;     // file offset of the frame's first byte
    uint8_t Crc[2] = {0, 0};  // as stored, when protected (not checked)
    bool Resynced = false;    // bytes were skipped to reach this frame

    // Sets Word, FrameSize and MainDataSize, or clears them when the word is
    // not a usable header.
    void ParseHeader(uint32_t word);
    // Finds the next valid frame; with next the search starts just after the
    // frame held now, otherwise at stream.Position.
    bool FindFrame(TFrameStream& stream, bool next);
    bool FindFrame(TWFileStream& stream, bool next);
    // Reads and parses the header at offset (and its CRC when protected).
    bool ReadHeaderAt(TFrameStream& stream, int64_t offset);
    void Clear();

    bool IsValid() const { return Word != 0; }
    int LayerIndex() const { return 3 - static_cast<int>((Word >> 17) & 3); } // 0 = layer I
    int Layer() const { return LayerIndex() + 1; }
    TMpegVersion Version() const;
    bool IsMpeg1() const { return (Word >> 19) & 1; }
    bool IsProtected() const { return ((Word >> 16) & 1) == 0; }
    int BitrateIndex() const { return (Word >> 12) & 15; }
    int SampleRateIndex() const { return (Word >> 10) & 3; }
    int Padding() const { return (Word >> 9) & 1; }
    int PrivateBit() const { return (Word >> 8) & 1; }
    int ChannelMode() const { return (Word >> 6) & 3; }
    int ModeExtension() const { return (Word >> 4) & 3; }
    int Copyright() const { return (Word >> 3) & 1; }
    int Original() const { return (Word >> 2) & 1; }
    int Emphasis() const { return Word & 3; }
    int Channels() const { return ChannelMode() == 3 ? 1 : 2; }
    int32_t Bitrate() const;    // bits per second, 0 for free format and index 15
    int32_t SampleRate() const; // Hz, 0 for a reserved index or version
    // PCM samples per channel in one frame: 384, 1152, or 576 (layer III of
    // MPEG-2 and 2.5).
    int SamplesPerFrame() const;
    double FrameDuration() const; // milliseconds
    // Bytes of layer III side information for this version and channel count.
    int SideInfoSize() const;

    static int32_t BitrateOf(uint32_t word);
    static int32_t SampleRateOf(uint32_t word);
};

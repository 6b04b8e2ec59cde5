#include "audio/WmaCount.h"

#include "io/WFileStream.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr uint16_t kWmaV1 = 0x160;
constexpr uint16_t kWmaV2 = 0x161;
// What the decoder keeps of a frame running on into the next superframe; newer
// decoders keep twice as much, so staying under it is certain for all of them.
constexpr int64_t kReservoir = 16384;
// More than this in one packet or media object is no audio stream of ours.
constexpr uint32_t kMaxPacket = 1u << 20;

struct TDecoderSetup {
    int frameLength = 0;
    uint32_t blockAlign = 0; // bytes per superframe
    bool reservoir = false;  // frames run across superframes
    int offsetBits = 0;      // width of a superframe's bit offset
};

// The samples of one decoded frame: more at higher rates, v1 switching later.
int FrameLength(const TAsfStream& s) {
    const bool v1 = s.FormatTag == kWmaV1;
    if (s.SamplesPerSec <= 16000) return 512;
    if (s.SamplesPerSec <= 22050 || (v1 && s.SamplesPerSec <= 32000)) return 1024;
    return 2048;
}

// The decoder's own set-up from the stream's format; false where it refuses the stream.
bool Setup(const TAsfStream& s, TDecoderSetup& d) {
    if (s.FormatTag != kWmaV1 && s.FormatTag != kWmaV2) return false;
    if (s.Channels < 1 || s.Channels > 2 || s.SamplesPerSec == 0 || s.SamplesPerSec > 50000 ||
        s.AvgBytesPerSec == 0 || s.BlockAlign == 0)
        return false;
    d.frameLength = FrameLength(s);
    d.blockAlign = s.BlockAlign;
    // The coding flags: v1 keeps them at byte 2 of its codec data, v2 at byte 4.
    const int at = s.FormatTag == kWmaV1 ? 2 : 4;
    uint16_t flags = 0;
    if (s.CodecData.size() >= at + 2)
        flags = uint16_t(uint8_t(s.CodecData[at]) | uint8_t(s.CodecData[at + 1]) << 8);
    d.reservoir = (flags & 2) != 0;
    // A superframe's bit offset spans about one frame's bytes at the stream's rate,
    // computed in single precision as the decoder does.
    const float perSample = float(s.AvgBytesPerSec * 8.0) / float(s.Channels * s.SamplesPerSec);
    const double frameBytes = double(perSample * float(d.frameLength)) / 8.0 + 0.5;
    // A rate no encoder writes would not fit the decoder's offset field anyway.
    if (!(frameBytes >= 0 && frameBytes < double(1 << 24))) return false;
    const int bytes = int(frameBytes);
    int log2 = 0;
    while (log2 < 31 && (bytes >> (log2 + 1)) != 0)
        ++log2;
    d.offsetBits = log2 + 2 + 3;
    if (d.offsetBits > 25) return false;
    // A frame carried over joins the next superframe's head in the reservoir.
    if (d.reservoir && 2 * int64_t(d.blockAlign) > kReservoir) return false;
    return true;
}

// Little-endian field of the 2-bit length type `type` (0 none, 1 byte, 2 word, 3 dword).
bool Field(const uint8_t* p, uint32_t end, uint32_t& pos, int type, uint32_t& v) {
    static const uint32_t widths[4] = {0, 1, 2, 4};
    const uint32_t n = widths[type & 3];
    if (end - pos < n) return false;
    v = 0;
    for (uint32_t i = n; i-- > 0;)
        v = (v << 8) | p[pos + i];
    pos += n;
    return true;
}

class TCounter {
public:
    TCounter(const TDecoderSetup& d, uint16_t stream) : setup(d), streamNumber(stream) {}

    // One data packet of `size` bytes; false when it is not what the counter can be sure of.
    bool Packet(const uint8_t* p, uint32_t size);
    // Every media object ended whole.
    bool Finished() const { return !open; }
    int64_t Frames() const { return frames; }

private:
    bool Payload(uint32_t object, uint32_t offset, uint32_t objectSize, const uint8_t* data,
                 uint32_t length);
    bool Object(const uint8_t* data, uint32_t size);
    bool Superframe(const uint8_t* s);

    TDecoderSetup setup;
    uint16_t streamNumber;
    int64_t frames = 0;
    bool carried = false; // a frame's head waits in the reservoir
    // The media object being put together from its fragments.
    bool open = false;
    uint32_t number = 0, expected = 0, received = 0;
    QByteArray bytes; // its bytes, kept only when superframe heads are read
};

bool TCounter::Packet(const uint8_t* p, uint32_t size) {
    // Error correction: the standard two zero bytes, the only kind the demuxer follows.
    if (size < 5 || p[0] != 0x82 || p[1] != 0 || p[2] != 0) return false;
    uint32_t pos = 3;
    const uint8_t lengthFlags = p[pos++];
    const uint8_t properties = p[pos++];
    uint32_t packetLength = 0, sequence = 0, padding = 0;
    if (!Field(p, size, pos, lengthFlags >> 5, packetLength) ||
        !Field(p, size, pos, lengthFlags >> 1, sequence) ||
        !Field(p, size, pos, lengthFlags >> 3, padding))
        return false;
    if (((lengthFlags >> 5) & 3) == 0) packetLength = size;
    if (packetLength == 0 || packetLength > size || padding >= packetLength) return false;
    // A packet shorter than the file's packets is padded up to them.
    const uint32_t end = packetLength - padding;
    if (end < pos || end - pos < 6) return false;
    pos += 6; // send time, duration
    uint32_t payloads = 1;
    int payloadLengthType = 0;
    const bool multiple = (lengthFlags & 1) != 0;
    if (multiple) {
        if (pos >= end) return false;
        payloadLengthType = p[pos] >> 6;
        payloads = p[pos++] & 0x3F;
        if (payloads == 0) return false;
    }
    for (uint32_t i = 0; i < payloads; ++i) {
        if (pos >= end) return false;
        const uint8_t stream = p[pos++];
        uint32_t object = 0, offset = 0, replicated = 0, length = 0;
        if (!Field(p, end, pos, properties >> 4, object) ||
            !Field(p, end, pos, properties >> 2, offset) ||
            !Field(p, end, pos, properties, replicated) || end - pos < replicated)
            return false;
        const uint8_t* rep = p + pos;
        pos += replicated;
        if (multiple) {
            if (!Field(p, end, pos, payloadLengthType, length) || length == 0) return false;
        } else {
            length = end - pos;
        }
        if (end - pos < length) return false;
        const uint8_t* data = p + pos;
        pos += length;
        if ((stream & 0x7F) != streamNumber) return false;
        // Compressed payloads (replicated size 1) carry many tiny objects: left to the decoder.
        if (replicated < 8) return false;
        const uint32_t objectSize = uint32_t(rep[0]) | uint32_t(rep[1]) << 8 |
                                    uint32_t(rep[2]) << 16 | uint32_t(rep[3]) << 24;
        if (!Payload(object, offset, objectSize, data, length)) return false;
    }
    return true;
}

bool TCounter::Payload(uint32_t object, uint32_t offset, uint32_t objectSize, const uint8_t* data,
                       uint32_t length) {
    if (offset == 0) {
        if (open || objectSize == 0 || objectSize > kMaxPacket) return false;
        open = true;
        number = object;
        expected = objectSize;
        received = 0;
        bytes.clear();
    } else if (!open || object != number || offset != received || objectSize != expected) {
        return false; // a fragment out of place: the demuxer would drop things
    }
    if (expected - received < length) return false;
    received += length;
    if (setup.reservoir) bytes.append(reinterpret_cast<const char*>(data), qsizetype(length));
    if (received < expected) return true;
    open = false;
    if (!setup.reservoir) return Object(nullptr, expected);
    return Object(reinterpret_cast<const uint8_t*>(bytes.constData()), expected);
}

// A media object is decoded a superframe of blockAlign bytes at a time; a rest
// shorter than that is refused by the decoder.
bool TCounter::Object(const uint8_t* data, uint32_t size) {
    if (size % setup.blockAlign != 0) return false;
    const uint32_t superframes = size / setup.blockAlign;
    if (!setup.reservoir) {
        frames += superframes;
        return true;
    }
    for (uint32_t i = 0; i < superframes; ++i)
        if (!Superframe(data + size_t(i) * setup.blockAlign)) return false;
    return true;
}

bool TCounter::Superframe(const uint8_t* s) {
    // Head: 4 bits index, 4 bits frame count, then the bit offset of the first frame
    // that starts here; the bits before it end the frame carried over.
    const uint32_t headBits = 8 + uint32_t(setup.offsetBits);
    if (uint64_t(setup.blockAlign) * 8 < headBits + 8) return false;
    uint64_t head = 0;
    for (int i = 0; i < 5; ++i)
        head = (head << 8) | (uint32_t(i) < setup.blockAlign ? s[i] : 0);
    const int count = int((head >> 32) & 0x0F);
    const uint32_t offset = uint32_t(head >> (40 - headBits)) & ((1u << setup.offsetBits) - 1);
    // The count includes the frame carried over, which the decoder finishes first;
    // at the start nothing is carried and it takes one less. The encoder always
    // leaves a superframe's last frame to the next one, so some bytes are always
    // carried (even when the next frame starts at offset 0).
    const int decoded = count - (carried ? 0 : 1);
    // A superframe with no frame of its own only feeds the reservoir: left to the decoder.
    if (decoded <= 0) return false;
    if (uint64_t(offset) + headBits > uint64_t(setup.blockAlign) * 8) return false;
    frames += decoded;
    carried = true;
    return true;
}

} // namespace

int64_t CountWmaSampleFrames(TWFileStream& file, const TAsfHeader& header) {
    if (header.Streams.size() != 1 || header.Protected) return -1;
    const TAsfStream& stream = header.Streams[0];
    TDecoderSetup setup;
    if (!stream.Audio || stream.Scrambled || !Setup(stream, setup)) return -1;
    // Packets of one fixed size fill the data object exactly.
    const uint32_t packetSize = header.MinPacket;
    if (packetSize < 16 || packetSize != header.MaxPacket || packetSize > kMaxPacket ||
        header.DataSize < 50)
        return -1;
    const uint64_t body = header.DataSize - 50;
    if (body % packetSize != 0 || body / packetSize != header.DataPackets) return -1;

    TCounter counter(setup, stream.Number);
    const uint64_t packetsPerRead = std::max<uint64_t>(1, (256u << 10) / packetSize);
    std::vector<uint8_t> buffer(size_t(packetsPerRead * packetSize));
    uint64_t at = header.HeaderSize + 50;
    for (uint64_t left = header.DataPackets; left > 0;) {
        const uint64_t n = std::min(left, packetsPerRead);
        const int64_t want = int64_t(n * packetSize);
        if (file.ReadAt(int64_t(at), buffer.data(), want) != want) return -1;
        for (uint64_t i = 0; i < n; ++i)
            if (!counter.Packet(buffer.data() + i * packetSize, packetSize)) return -1;
        at += uint64_t(want);
        left -= n;
    }
    if (!counter.Finished()) return -1;
    // The decoder's first two frames are its start-up and dropped; the end adds one
    // frame, the overlap of the last.
    return std::max<int64_t>(0, counter.Frames() - 1) * setup.frameLength;
}

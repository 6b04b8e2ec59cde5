#include "audio/MpcFile.h"

#include "audio/FfmpegPcm.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagSelect.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kFrameLength = 1152;    // samples per channel in one Musepack frame
constexpr int kSynthDelay = 481;      // samples the SV7 synthesis filter adds
constexpr int kHeadBytes = 64 * 1024; // enough for the SV8 packets before the audio

uint32_t LE32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// SV8 variable-length size: 7 bits a byte, high bit = more follows. A size
// longer than 8 bytes is damage, not data.
bool ReadVarSize(const QByteArray& b, int& pos, int end, uint64_t& value) {
    value = 0;
    for (int n = 0; n < 8; ++n) {
        if (pos >= end) return false;
        const uint8_t c = uint8_t(b[pos++]);
        value = (value << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
    }
    return false;
}

bool ParseSv8(const QByteArray& b, TMpcStreamInfo& info) {
    static const double kRates[4] = {44100, 48000, 37800, 32000};
    int pos = 4; // after "MPCK"
    // The stream header comes first in practice; allow a few other packets
    // before it, but never walk past the audio or the buffer.
    for (int packet = 0; packet < 64; ++packet) {
        if (pos + 3 > b.size()) return false;
        const char k0 = b[pos], k1 = b[pos + 1];
        if (k0 < 'A' || k0 > 'Z' || k1 < 'A' || k1 > 'Z') return false;
        const int start = pos;
        pos += 2;
        uint64_t size = 0;
        if (!ReadVarSize(b, pos, int(b.size()), size)) return false;
        // The size counts the key and the size bytes themselves.
        if (size < uint64_t(pos - start) || size > uint64_t(b.size() - start)) return false;
        const int end = start + int(size);
        if (k0 == 'S' && k1 == 'H') {
            if (end - pos < 4 + 1) return false;
            pos += 4; // CRC
            if (uint8_t(b[pos++]) != 8) return false;
            uint64_t samples = 0, silence = 0;
            if (!ReadVarSize(b, pos, end, samples) || !ReadVarSize(b, pos, end, silence))
                return false;
            if (end - pos < 2) return false;
            const uint8_t f = uint8_t(b[pos]), c = uint8_t(b[pos + 1]);
            if ((f >> 5) > 3) return false;
            if (samples > uint64_t(INT64_MAX / 64) || silence > samples) return false;
            info.Version = 8;
            info.SampleRate = kRates[f >> 5];
            info.Channels = (c >> 4) + 1;
            info.Samples = int64_t(samples - silence);
            return true;
        }
        if ((k0 == 'A' && k1 == 'P') || (k0 == 'S' && k1 == 'E')) return false;
        pos = end;
    }
    return false;
}

bool ParseSv7(const QByteArray& b, TMpcStreamInfo& info) {
    static const double kRates[4] = {44100, 48000, 37800, 32000};
    if (b.size() < 24 || (uint8_t(b[3]) & 0x0F) != 7) return false;
    const uint32_t frames = LE32(b, 4);
    const uint32_t flags = LE32(b, 8);
    const uint32_t gapless = LE32(b, 20);
    info.Version = 7;
    info.SampleRate = kRates[(flags >> 16) & 3];
    info.Channels = 2;
    int64_t samples = int64_t(frames) * kFrameLength;
    const int lastFrame = int((gapless >> 20) & 0x7FF);
    if ((gapless >> 31) && lastFrame > 0 && lastFrame <= kFrameLength)
        samples -= kFrameLength - lastFrame;
    else
        samples -= kSynthDelay;
    info.Samples = samples > 0 ? samples : 0;
    return true;
}

// Stream versions 4 to 6 have no magic: the version sits in the first word.
bool ParseOld(const QByteArray& b, TMpcStreamInfo& info) {
    if (b.size() < 8) return false;
    const uint32_t h = LE32(b, 0);
    const int version = int((h >> 11) & 0x3FF);
    if (version < 4 || version > 6) return false;
    int64_t frames = version >= 5 ? int64_t(LE32(b, 4)) : int64_t(uint16_t(LE32(b, 4) >> 16));
    if (frames <= 0) return false;
    info.Version = version;
    info.SampleRate = 44100;
    info.Channels = 2;
    info.Samples = frames * kFrameLength - kFrameLength / 2;
    return true;
}

} // namespace

TMpcStreamInfo ParseMpcHeader(const QByteArray& head, int64_t streamBytes) {
    TMpcStreamInfo info;
    bool ok = false;
    if (head.startsWith("MPCK"))
        ok = ParseSv8(head, info);
    else if (head.startsWith("MP+"))
        ok = ParseSv7(head, info);
    else
        ok = ParseOld(head, info);
    if (!ok) return TMpcStreamInfo();
    if (info.Samples > 0 && streamBytes > 0)
        info.AverageBitrate = double(streamBytes) * 8.0 * info.SampleRate / double(info.Samples);
    info.Valid = true;
    return info;
}

TMpcFile::TMpcFile(const QString& fileName) : TAbstractAudioFile(fileName) {
    TWFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    const int64_t fileSize = stream.GetSize();
    const TFileTagInfo tags = ReadPreferredTags(fileName);

    // The stream ends where the trailing tags begin.
    int64_t streamEnd = fileSize;
    if (tags.TrailingTagsStart >= 0 && tags.TrailingTagsStart <= fileSize)
        streamEnd = tags.TrailingTagsStart;

    auto tryAt = [&](int64_t start) {
        if (start < 0 || start >= fileSize) return TMpcStreamInfo();
        const QByteArray head = stream.ReadBytesAt(start, kHeadBytes);
        TMpcStreamInfo info = ParseMpcHeader(head, std::max<int64_t>(streamEnd - start, 0));
        info.HeaderPosition = int32_t(start);
        return info;
    };
    // The stream follows a leading ID3v2 tag; a tag whose size is wrong does
    // not hide a stream at the very start.
    Info = tryAt(tags.Id3v2Size);
    if (!Info.Valid && tags.Id3v2Size > 0) Info = tryAt(0);
    if (!Info.Valid)
        throw ESonvaleError(QStringLiteral("\"%1\" is not a MPC bitstream").arg(fileName));
    Info.FileLength = fileSize;

    Tags = tags.Tags;
    TagKinds = tags.TagKinds;
    AudioStart = Info.HeaderPosition;
}

TMpcFile::~TMpcFile() = default;

int32_t TMpcFile::GetBitrate() {
    // A header may claim a handful of samples for a large stream.
    return int32_t(std::lround(std::min(Info.AverageBitrate, double(INT32_MAX))));
}
int32_t TMpcFile::GetChannels() {
    return int32_t(Info.Channels);
}
// The whole 64-bit length: a 32-bit field would wrap for files over 4 GiB.
int64_t TMpcFile::GetFileSize() {
    return Info.FileLength;
}
int64_t TMpcFile::GetPosition() {
    return pcmPosition;
}
int64_t TMpcFile::GetPcmSize() {
    return Info.Samples * 2 * Info.Channels;
}
int32_t TMpcFile::GetSampleRate() {
    return int32_t(std::lround(Info.SampleRate));
}
int32_t TMpcFile::GetBitsPerSample() {
    return 16;
}
uint8_t TMpcFile::GetFormatCode() {
    return fcMpc;
}
bool TMpcFile::IsSource() {
    return true;
}

void TMpcFile::Seek(int64_t position) {
    if (!pcm) pcm = std::make_unique<TFfmpegPcm>(FileName, 2);
    const int64_t frame = 2 * int64_t(Info.Channels);
    position = std::clamp<int64_t>(position, 0, GetPcmSize());
    position -= position % frame;
    if (pcm->Seek(position)) pcmPosition = position;
}

bool TMpcFile::Read(void* buffer, int& count) {
    if (!pcm) pcm = std::make_unique<TFfmpegPcm>(FileName, 2);
    // Never beyond the length the header announces: the decoder's padding
    // after the last sample is not audio.
    const int64_t left = GetPcmSize() - pcmPosition;
    int want = int(std::min<int64_t>(count, std::max<int64_t>(left, 0)));
    count = want > 0 ? pcm->Read(buffer, want) : 0;
    // The decoder's output must match the header; anything else is damage.
    if (pcm->Channels() != 0 && pcm->Channels() != int(Info.Channels)) count = 0;
    pcmPosition += count;
    return count > 0;
}

#include "audio/WavAudioFile.h"

#include "audio/WavTags.h"
#include "io/SonvaleError.h"

#include <algorithm>
#include <cstring>

namespace {

struct KnownId {
    const char* id;
    int compared;
};
constexpr KnownId kKnownIds[] = {
    {"RIFF", 4}, {"LIST", 4}, {"fmt", 3}, {"data", 4}, {"fact", 4}, {"DISP", 4}, {"PAD ", 4},
};

constexpr uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM as stored.
constexpr unsigned char kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t LE32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

bool TWaveChunk::ReadHeader(TWFileStream& stream) {
    HeaderOffset = stream.Position();
    unsigned char hdr[8] = {};
    Truncated = stream.Read(hdr, 8) < 8;
    std::memcpy(ChunkId.data(), hdr, 4);
    ChunkSize = LE32(hdr + 4);
    Kind = ckUnknown;
    for (int i = 0; i < int(std::size(kKnownIds)); ++i) {
        if (std::memcmp(ChunkId.data(), kKnownIds[i].id, kKnownIds[i].compared) == 0) {
            Kind = i;
            break;
        }
    }
    FormType.fill(0);
    if (Kind == ckRiff || Kind == ckList) stream.Read(FormType.data(), 4);
    DataOffset = stream.Position();
    return Kind != ckUnknown;
}

void TWaveChunk::Skip(TWFileStream& stream) {
    int64_t next = DataOffset + int64_t(ChunkSize);
    // The size of "LIST" and a nested "RIFF" already counts the form type.
    if (Kind == ckList || Kind == ckRiff) next -= 4;
    if (ChunkSize & 1) ++next;
    // A damaged size must not send the walk backwards (an endless loop).
    if (next <= HeaderOffset) next = stream.GetSize();
    stream.Seek(next, TSeekOrigin::soBeginning);
}

TWavAudioFile::TWavAudioFile(const QString& fileName) : TAbstractAudioFile(fileName) {
    // The RIFF data starts after a leading ID3v2 tag.
    const TWaveTagInfo tags = ReadWaveTags(fileName);
    Tags = tags.Tags;
    TagKinds = tags.TagKinds;
    const int64_t riffStart = tags.RiffStart;

    stream = std::make_unique<TWFileStream>(fileName, fmOpenRead | fmShareDenyNone);
    stream->Seek(riffStart, TSeekOrigin::soBeginning);
    chunk = std::make_unique<TWaveChunk>();

    if (!chunk->ReadHeader(*stream))
        throw ESonvaleError(QStringLiteral("Bad .wav format. RIFF chunk not found"));
    if (chunk->Kind != TWaveChunk::ckRiff)
        throw ESonvaleError(QStringLiteral("Bad .wav format. 1st chunk is not an RIFF chunk"));

    const int64_t fileSize = stream->GetSize();
    bool dataFound = false;
    while (stream->Position() < fileSize) {
        chunk->ReadHeader(*stream);
        if (chunk->Truncated) break; // a header cut by the end of the file
        if (chunk->Kind == TWaveChunk::ckFmt) {
            format = TWaveFormat{};
            unsigned char body[40] = {};
            int64_t want = std::min<int64_t>(chunk->ChunkSize, sizeof(body));
            int64_t got = stream->Read(body, want);
            std::memcpy(&format, body, std::min<size_t>(sizeof(format), size_t(got)));
            // WAVE_FORMAT_EXTENSIBLE whose sub-format is plain PCM is PCM:
            // 24-bit and multichannel writers store their PCM that way.
            if (format.FormatTag == kFormatExtensible && got >= 40 &&
                std::memcmp(body + 24, kPcmSubFormat, sizeof(kPcmSubFormat)) == 0)
                format.FormatTag = 1;
            chunk->Skip(*stream);
        } else if (chunk->Kind == TWaveChunk::ckData) {
            dataFound = true;
            break;
        } else {
            chunk->Skip(*stream);
        }
    }

    if (format.FormatTag == 0)
        throw ESonvaleError(QStringLiteral("Bad .wav format. Can't find FMT chunk"));
    if (format.FormatTag != 1)
        throw ESonvaleError(QStringLiteral("Bad .wav format. Only PCM data is supported"));
    if (!dataFound) throw ESonvaleError(QStringLiteral("Bad .wav format. Can't find audio data"));
    // PCM without channels, samples or sample bits is no PCM a reader could deliver.
    if (format.Channels == 0 || format.SamplesPerSec == 0 || format.BitsPerSample == 0 ||
        format.BitsPerSample > 32)
        throw ESonvaleError(QStringLiteral("Bad .wav format. Only PCM data is supported"));

    // Streamed recordings leave 0 or 0xFFFFFFFF in the size: count only the
    // bytes that are really there.
    int64_t present = std::max<int64_t>(0, fileSize - chunk->DataOffset);
    if (chunk->ChunkSize == 0 || chunk->ChunkSize > present) {
        // An ID3v1 block at the end of such a file is no audio.
        if ((TagKinds & tkId3v1) && present >= 128) present -= 128;
        pcmSize = present;
    } else {
        pcmSize = chunk->ChunkSize;
    }
    stream->Seek(chunk->DataOffset, TSeekOrigin::soBeginning);
}

TWavAudioFile::~TWavAudioFile() = default;

int32_t TWavAudioFile::GetBitrate() {
    const int64_t bits = int64_t(format.Channels) * format.SamplesPerSec * format.BitsPerSample;
    return int32_t(std::min<int64_t>(bits, INT32_MAX));
}
int32_t TWavAudioFile::GetChannels() {
    return format.Channels;
}
int64_t TWavAudioFile::GetFileSize() {
    return stream->GetSize();
}
int64_t TWavAudioFile::GetPosition() {
    return stream->Position() - chunk->DataOffset;
}
int64_t TWavAudioFile::GetPcmSize() {
    return pcmSize;
}
int32_t TWavAudioFile::GetSampleRate() {
    return int32_t(format.SamplesPerSec);
}
int32_t TWavAudioFile::GetBitsPerSample() {
    return format.BitsPerSample;
}
uint8_t TWavAudioFile::GetFormatCode() {
    return fcWave;
}
bool TWavAudioFile::IsSource() {
    return true;
}

void TWavAudioFile::Seek(int64_t position) {
    int64_t block = (int64_t(format.Channels) * format.BitsPerSample) / 8;
    if (block <= 0) block = 1;
    position = std::clamp<int64_t>(position, 0, pcmSize);
    position = (position / block) * block;
    stream->Seek(chunk->DataOffset + position, TSeekOrigin::soBeginning);
}

bool TWavAudioFile::Read(void* buffer, int& count) {
    if (count <= 0) {
        count = 0;
        return false;
    }
    // The data chunk ends the stream: an "id3 " chunk or an ID3v1 block may follow.
    const int64_t left = chunk->DataOffset + pcmSize - stream->Position();
    int64_t got = stream->Read(buffer, std::clamp<int64_t>(left, 0, count));
    if (got < count) std::memset(static_cast<char*>(buffer) + got, 0, size_t(count - got));
    count = int(got);
    return got > 0;
}

bool TWavAudioFile::ChangeTags(const TTagChange& change) {
    return ChangeWaveTags(FileName, change);
}

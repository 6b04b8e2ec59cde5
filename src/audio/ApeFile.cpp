#include "audio/ApeFile.h"

#include "audio/FfmpegPcm.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagSelect.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHeadBytes = 64 * 1024; // leading junk before "MAC " is searched this far
// Encoders use up to 1179648 blocks a frame; far more is damage, and keeps
// frames × blocks × block bytes inside 64 bits.
constexpr uint32_t kMaxBlocksPerFrame = 1u << 22;

uint16_t LE16(const QByteArray& b, int at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t LE32(const QByteArray& b, int at) {
    return uint32_t(LE16(b, at)) | uint32_t(LE16(b, at + 2)) << 16;
}

int BitsOfFlags(uint16_t flags) {
    if (flags & 1) return 8;
    if (flags & 8) return 24;
    return 16;
}

} // namespace

TApeInfo ParseApeHeader(const QByteArray& b, int64_t fileSize, int64_t streamBytes) {
    if (streamBytes < 0) streamBytes = fileSize;
    TApeInfo info;
    if (b.size() < 32 || !b.startsWith("MAC ")) return info;
    const int version = LE16(b, 4);
    uint32_t blocksPerFrame = 0, finalFrameBlocks = 0, totalFrames = 0;
    int channels = 0, bits = 0;
    uint32_t rate = 0;
    if (version >= 3980) {
        // Descriptor, then the header where the descriptor says it starts.
        const uint32_t descriptorBytes = LE32(b, 8);
        if (descriptorBytes < 52 || descriptorBytes > uint32_t(b.size()) - 24) return info;
        const int h = int(descriptorBytes);
        blocksPerFrame = LE32(b, h + 4);
        finalFrameBlocks = LE32(b, h + 8);
        totalFrames = LE32(b, h + 12);
        bits = LE16(b, h + 16);
        channels = LE16(b, h + 18);
        rate = LE32(b, h + 20);
    } else {
        const uint16_t compression = LE16(b, 6);
        const uint16_t flags = LE16(b, 8);
        channels = LE16(b, 10);
        rate = LE32(b, 12);
        totalFrames = LE32(b, 24);
        finalFrameBlocks = LE32(b, 28);
        bits = BitsOfFlags(flags);
        if (version >= 3950)
            blocksPerFrame = 73728 * 4;
        else if (version >= 3900 || (version >= 3800 && compression == 4000))
            blocksPerFrame = 73728;
        else
            blocksPerFrame = 9216;
    }
    if (channels < 1 || channels > 32 || rate == 0 || rate > 1000000 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32) || blocksPerFrame == 0 ||
        blocksPerFrame > kMaxBlocksPerFrame || finalFrameBlocks > blocksPerFrame)
        return info;
    info.Version = version;
    info.SampleRate = int32_t(rate);
    info.BitsPerSample = bits;
    info.Channels = channels;
    info.TotalBlocks =
        totalFrames == 0 ? 0 : int64_t(totalFrames - 1) * blocksPerFrame + finalFrameBlocks;
    info.CompressedSize = fileSize;
    if (info.TotalBlocks > 0)
        info.AverageBitrate = int32_t(std::min<double>(
            std::lround(double(streamBytes) * 8.0 * rate / double(info.TotalBlocks)), INT32_MAX));
    info.Valid = true;
    return info;
}

TApeFile::TApeFile(const QString& fileName) : TAbstractAudioFile(fileName) {
    TWFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    const int64_t fileSize = stream.GetSize();
    const TFileTagInfo tags = ReadPreferredTags(fileName);

    // The header follows a leading ID3v2 tag, possibly after some junk.
    bool hasHeader = false;
    for (int64_t start : {tags.Id3v2Size, int64_t(0)}) {
        if (start < 0 || start >= fileSize) continue;
        const QByteArray head = stream.ReadBytesAt(start, kHeadBytes);
        const int at = int(head.indexOf("MAC "));
        if (at < 0) continue;
        hasHeader = true;
        // Tags are not audio: a large picture must not raise the bit rate.
        const int64_t streamEnd = tags.TrailingTagsStart >= 0 && tags.TrailingTagsStart <= fileSize
                                      ? tags.TrailingTagsStart
                                      : fileSize;
        Info = ParseApeHeader(head.mid(at), fileSize, std::max<int64_t>(streamEnd - start - at, 0));
        if (Info.Valid) break;
    }
    // No "MAC " anywhere (an empty file, zeros, another format): not Monkey's
    // Audio. A damaged header gets a reader with no audio, as the decompressor
    // would give none: zero properties and no PCM.
    if (!hasHeader)
        throw ESonvaleError(QStringLiteral("Invalid Monkey's Audio file %1").arg(fileName));

    Tags = tags.Tags;
    TagKinds = tags.TagKinds;
    if (TagKinds & tkId3v2) AudioStart = tags.Id3v2Size;
}

TApeFile::~TApeFile() = default;

int64_t TApeFile::GetInfo(int field) {
    switch (field) {
    case 1003:
        return Info.SampleRate;
    case 1004:
        return Info.BitsPerSample;
    case 1006:
        return Info.Channels;
    case 1015:
        return Info.CompressedSize;
    case 1016:
        return Info.TotalBlocks;
    case 2000:
        return currentBlock;
    case 2005:
        return Info.AverageBitrate;
    default:
        return 0;
    }
}

int64_t TApeFile::BlockBytes() const {
    return int64_t(Info.Channels) * Info.BitsPerSample / 8;
}

int32_t TApeFile::GetBitrate() {
    return int32_t(GetInfo(2005));
}
int32_t TApeFile::GetChannels() {
    return int32_t(GetInfo(1006));
}
int64_t TApeFile::GetFileSize() {
    return GetInfo(1015);
}
// 64-bit products: long files overflow 32-bit byte counts.
int64_t TApeFile::GetPosition() {
    return BlockBytes() * GetInfo(2000);
}
int64_t TApeFile::GetPcmSize() {
    return BlockBytes() * GetInfo(1016);
}
int32_t TApeFile::GetSampleRate() {
    return int32_t(GetInfo(1003));
}
int32_t TApeFile::GetBitsPerSample() {
    return int32_t(GetInfo(1004));
}
uint8_t TApeFile::GetFormatCode() {
    return fcApe;
}
bool TApeFile::IsSource() {
    return true;
}

void TApeFile::Seek(int64_t position) {
    const int64_t blockBytes = BlockBytes();
    if (blockBytes <= 0) return;
    if (!pcm) pcm = std::make_unique<TFfmpegPcm>(FileName, Info.BitsPerSample / 8);
    const int64_t block = std::clamp<int64_t>(position / blockBytes, 0, Info.TotalBlocks);
    if (pcm->Seek(block * blockBytes)) currentBlock = block;
}

bool TApeFile::Read(void* buffer, int& count) {
    const int64_t blockBytes = BlockBytes();
    if (blockBytes <= 0 || count <= 0) {
        count = 0;
        return false;
    }
    if (!pcm) pcm = std::make_unique<TFfmpegPcm>(FileName, Info.BitsPerSample / 8);
    int64_t blocks = std::min<int64_t>(count / blockBytes, Info.TotalBlocks - currentBlock);
    int got = 0;
    // Whole blocks only: keep asking until they are all there or the stream ends.
    while (blocks > 0 && got < blocks * blockBytes) {
        const int n =
            pcm->Read(static_cast<uint8_t*>(buffer) + got, int(blocks * blockBytes) - got);
        if (n <= 0) break;
        got += n;
    }
    if (pcm->Channels() != 0 && pcm->Channels() != Info.Channels) got = 0;
    got -= int(got % blockBytes);
    count = got;
    currentBlock += got / blockBytes;
    return count > 0;
}

#include "audio/WmaAudioFile.h"

#include "audio/FfmpegPcm.h"
#include "audio/WmaCount.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
QString Hex8(uint32_t code) {
    return QStringLiteral("%1").arg(code, 8, 16, QChar('0'));
}
} // namespace

TWMAAudioFile::TWMAAudioFile(const QString& fileName) : TAbstractAudioFile(fileName) {
    FileSize = std::max<int64_t>(0, CurrentFileSize(fileName));

    const uint32_t code = ReadAsfHeader(fileName, header);
    if (code != 0)
        throw ESonvaleError(QStringLiteral("Failed to open the wm file - 0x") + Hex8(code));

    // Each stream is one output of the decoder.
    OutputCount = int32_t(header.Streams.size());
    if (OutputCount != 1)
        throw ESonvaleError(QStringLiteral("This Windows Media file contains too many outputs (%1)")
                                .arg(OutputCount));
    const TAsfStream& stream = header.Streams[0];
    if (!stream.Audio) throw ESonvaleError(QStringLiteral("WMA doesn't contains Audio data"));

    // The output is PCM: 16-bit unless the stream carries more (WMA Pro 24-bit).
    Format = stream;
    Format.FormatTag = 1;
    Format.BitsPerSample = stream.BitsPerSample > 16 ? 24 : 16;
    Format.BlockAlign = uint16_t(Format.Channels * Format.BitsPerSample / 8);
    Format.AvgBytesPerSec = Format.SamplesPerSec * Format.BlockAlign;
    AvgBytesPerSec = int32_t(Format.AvgBytesPerSec);

    for (const TAsfAttribute& a : header.Attributes) {
        const QString text = AsfAttributeText(a);
        if (a.Name.compare(QLatin1String("Duration"), Qt::CaseInsensitive) == 0 &&
            a.Type == asfQword && a.Value.size() >= 8)
            Duration = int64_t(std::min<qulonglong>(text.mid(1).toULongLong(), INT64_MAX));
        else if (a.Name.compare(QLatin1String("Bitrate"), Qt::CaseInsensitive) == 0 &&
                 a.Type == asfDword && a.Value.size() >= 4)
            Bitrate = int32_t(std::min<uint>(text.mid(1).toUInt(), INT32_MAX));
        else if (a.Name.compare(QLatin1String("Seekable"), Qt::CaseInsensitive) == 0 &&
                 !a.Value.isEmpty())
            NotSeekable = a.Value[0] == 0;
        Tags.append(AsfTagName(a.Name) + text);
    }

    StreamNumber = 1;
    PcmPosition = 0;
    pcm = std::make_unique<TFfmpegPcm>(fileName, Format.BitsPerSample / 8, "asf");
}

TWMAAudioFile::~TWMAAudioFile() = default;

int32_t TWMAAudioFile::GetBitrate() {
    return Bitrate;
}
int32_t TWMAAudioFile::GetChannels() {
    return Format.Channels;
}
int64_t TWMAAudioFile::GetFileSize() {
    return FileSize;
}
int64_t TWMAAudioFile::GetPosition() {
    return PcmPosition;
}
int64_t TWMAAudioFile::PacketPcmBytes() {
    if (packetBytes == -2) {
        packetBytes = -1;
        try {
            TWFileStream file(FileName, fmOpenRead | fmShareDenyNone);
            const int64_t frames = CountWmaSampleFrames(file, header);
            if (frames >= 0) packetBytes = frames * Format.BlockAlign;
        } catch (const ESonvaleError&) {
        }
    }
    return packetBytes;
}

int64_t TWMAAudioFile::GetPcmSize() {
    // The header's duration is not what the decoder delivers (packets end in
    // padding, the last frames may be cut): count what Read will deliver from the
    // data packets, or, where they leave any doubt, by decoding the stream once on
    // its own, when first asked.
    if (!pcmCounted) {
        pcmCounted = true;
        PcmSize = PacketPcmBytes();
        if (PcmSize < 0)
            PcmSize = TFfmpegPcm(FileName, Format.BitsPerSample / 8, "asf").CountBytes();
    }
    return PcmSize;
}

double TWMAAudioFile::GetDuration() {
    // The header's, as media players show it: no decoding for a duration.
    return double(Duration) / 1e7 / 86400.0;
}
int32_t TWMAAudioFile::GetSampleRate() {
    return int32_t(Format.SamplesPerSec);
}
int32_t TWMAAudioFile::GetBitsPerSample() {
    return Format.BitsPerSample;
}
uint8_t TWMAAudioFile::GetFormatCode() {
    return fcWma;
}
bool TWMAAudioFile::IsSource() {
    return true;
}
bool TWMAAudioFile::ChangeTags(const TTagChange&) {
    return false;
}

bool TWMAAudioFile::Read(void* buffer, int& count) {
    // Where the packets tell the size, Read delivers exactly that: the samples of a
    // superframe the decoder drops as damaged become silence at the end.
    const int64_t exact = PacketPcmBytes();
    if (exact >= 0)
        count = int(std::min<int64_t>(count, std::max<int64_t>(0, exact - PcmPosition)));
    if (count <= 0) {
        count = 0;
        return false;
    }
    // At most one decoded packet is fetched per call, as a media reader's sample.
    int got = pcm->Read(buffer, count, true);
    if (got == 0 && exact >= 0) {
        std::memset(buffer, 0, size_t(count));
        got = count;
    }
    count = got;
    PcmPosition += got;
    return got > 0;
}

void TWMAAudioFile::Seek(int64_t position) {
    if (AvgBytesPerSec <= 0 || position < 0) return;
    if (pcm->Seek(position)) PcmPosition = position - position % Format.BlockAlign;
}

#include "audio/MpegAudioFile.h"

#include "decoder/MpDec.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagSelect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kFastFrames = 256;

uint32_t BE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int32_t ClampToInt32(double v) {
    if (!(v > 0)) return 0;
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::nearbyint(v));
}

} // namespace

// ---------------------------------------------------------------------------

TVbrHeader TVbrHeader::Parse(const TMpegHeader& header, const uint8_t* frame, int size) {
    TVbrHeader r;
    if (!header.IsValid() || !frame) return r;
    // Xing/Info follows the side information; encoders differ on whether a
    // CRC shifts it, so both places are tried.
    int side = header.SideInfoSize();
    const int offsets[2] = {4 + side, 6 + side};
    for (int i = 0; i < (header.IsProtected() ? 2 : 1); ++i) {
        int off = offsets[i];
        if (off + 8 > size) continue;
        bool xing = std::memcmp(frame + off, "Xing", 4) == 0;
        bool info = std::memcmp(frame + off, "Info", 4) == 0;
        if (!xing && !info) continue;
        uint32_t flags = BE32(frame + off + 4);
        int p = off + 8;
        uint32_t frames = 0, bytes = 0;
        if (flags & 1) {
            if (p + 4 > size) continue;
            frames = BE32(frame + p);
            p += 4;
        }
        if ((flags & 2) && p + 4 <= size) bytes = BE32(frame + p);
        if (frames == 0) continue;
        r.Type = xing ? vkXing : vkInfo;
        r.Frames = frames;
        r.Bytes = bytes;
        return r;
    }
    // VBRI sits 32 bytes after the header whatever the version and mode.
    constexpr int kVbri = 36;
    if (kVbri + 18 <= size && std::memcmp(frame + kVbri, "VBRI", 4) == 0) {
        uint32_t bytes = BE32(frame + kVbri + 10);
        uint32_t frames = BE32(frame + kVbri + 14);
        if (frames > 0) {
            r.Type = vkVbri;
            r.Frames = frames;
            r.Bytes = bytes;
        }
    }
    return r;
}

// ---------------------------------------------------------------------------

namespace {

// True when the last bytes of the audio hold a run of frames, each right after
// the one before, so that extrapolating by bytes holds. from: where the frames
// already read end.
bool TailHoldsFrames(TFrameStream& s, int64_t from) {
    constexpr int64_t kTail = 16 * 1024; // some frames of the largest size
    constexpr int kRun = 3;
    const int64_t start = std::max(from, s.Size() - kTail);
    if (start >= s.Size() - 4) return true; // the frames read reach the end
    TMpegHeader h;
    s.Position = start;
    if (!h.FindFrame(s, false)) return false;
    for (int i = 1; i < kRun; ++i)
        if (!h.FindFrame(s, true) || h.Resynced) return false;
    return true;
}

} // namespace

TFastMp3size::TFastMp3size(const QString& fileName, int64_t audioEnd, bool countAll)
    : stream(std::make_unique<TFrameStream>(fileName)), countAll(countAll) {
    stream->SetEnd(audioEnd);
    AudioBytes = stream->Size();
}

TFastMp3size::~TFastMp3size() = default;

double TFastMp3size::GetDuration() {
    if (CachedDuration != 0) return CachedDuration;
    stream->Position = 0;
    if (!header.FindFrame(*stream, false)) return 0;
    const TMpegHeader first = header;
    int64_t audio = AudioBytes - header.Position;
    double ms = header.FrameDuration();
    int64_t bytes = header.FrameSize;
    int64_t n = 1;
    bool ended = false;
    while (n < kFastFrames && !ended) {
        if (header.FindFrame(*stream, true)) {
            ms += header.FrameDuration();
            bytes += header.FrameSize;
            ++n;
        } else {
            ended = true;
        }
    }
    // Bytes tell the time only when frames fill the audio: all of it (a cut last
    // frame aside) when the first frames are all there are, else its last bytes.
    const bool spans = ended
                           ? audio - bytes <= 2 * bytes / n
                           : TailHoldsFrames(*stream, int64_t(header.Position) + header.FrameSize);
    if (!spans && !countAll) {
        MustCount = true;
        return 0;
    }
    if (!spans) {
        // The same frames the scan finds, counted as the reader decodes them.
        while (!ended && header.FindFrame(*stream, true))
            ++n;
        CachedDuration = double(n) * first.SamplesPerFrame() / first.SampleRate() / 86400.0;
        return CachedDuration;
    }
    if (audio < bytes) audio = bytes;
    CachedDuration = double(audio) / double(bytes) * ms / 86400000.0;
    return CachedDuration;
}

// ---------------------------------------------------------------------------

TMpegAudioFile::TMpegAudioFile(const QString& fileName) : TAbstractAudioFile(fileName) {
    // Trailing tags are not audio: bytes of a picture in an APEv2 tag would
    // decode as frames of full-scale noise.
    TFileTagInfo tags = ReadPreferredTags(fileName);
    audioEnd = tags.TrailingTagsStart;
    Loader = std::make_unique<TFrameLoader>(fileName, false, audioEnd);
    Decoder = std::make_unique<TMpDec>();
    if (!Decoder->Open(Loader.get()) || Decoder->FrameBytes() <= 0) {
        Decoder.reset();
        Loader.reset();
        throw ESonvaleError(QStringLiteral("Unable to open the MPEG decoder"));
    }
    FrameBytes = Decoder->FrameBytes();
    FrameBuffer.assign(size_t(FrameBytes) * 2, 0);
    Pending = 0;
    fileSize = std::max<int64_t>(0, CurrentFileSize(fileName));

    const TMpegHeader& first = Loader->FirstHeader;
    std::vector<uint8_t> raw(size_t(first.FrameSize), 0);
    int got = Loader->Stream()->ReadAt(first.Position, raw.data(), first.FrameSize);
    Vbr = TVbrHeader::Parse(first, raw.data(), got);
    // The VBR header's frame carries no audio: reading starts after it.
    if (Vbr.Present() && !Loader->NextFrame()) endReached = true;

    Tags = tags.Tags;
    TagKinds = tags.TagKinds;
    if (TagKinds & tkId3v2) AudioStart = tags.Id3v2Size;
}

TMpegAudioFile::~TMpegAudioFile() {
    // The decoder reads through the loader: free it first.
    Decoder.reset();
    Loader.reset();
}

int32_t TMpegAudioFile::GetBitrate() {
    const TMpegHeader& first = Loader->FirstHeader;
    if (Vbr.Present() && first.SampleRate() > 0) {
        double seconds = double(Vbr.Frames) * first.SamplesPerFrame() / first.SampleRate();
        // Xing/Info byte counts include the header's own frame, which is not
        // audio; VBRI counts are taken as they are, as the other readers do.
        int64_t audio;
        if (Vbr.Type == TVbrHeader::vkVbri && Vbr.Bytes > 0)
            audio = Vbr.Bytes;
        else if (Vbr.Bytes > uint32_t(first.FrameSize))
            audio = int64_t(Vbr.Bytes) - first.FrameSize;
        else // the loader's view ends where the trailing tags start
            audio = Loader->Stream()->Size() - first.Position - first.FrameSize;
        if (seconds > 0 && audio > 0) return ClampToInt32(double(audio) * 8.0 / seconds);
    }
    return first.Bitrate();
}

int32_t TMpegAudioFile::GetChannels() {
    return Loader->FirstHeader.Channels();
}

int64_t TMpegAudioFile::GetFileSize() {
    // The size now: a tag written through this reader replaces the file.
    const int64_t size = CurrentFileSize(FileName);
    return size >= 0 ? size : fileSize;
}

int64_t TMpegAudioFile::GetPosition() {
    return PcmPosition;
}

int64_t TMpegAudioFile::GetPcmSize() {
    Loader->Scan(false);
    // Read yields FrameBytes for every frame of the table: counted so, the size
    // is exactly what it delivers (a sum of durations in ms would round).
    const int64_t frames = int64_t(Loader->FrameCount) - FirstAudioFrame();
    return std::max<int64_t>(frames, 0) * FrameBytes;
}

int32_t TMpegAudioFile::GetSampleRate() {
    return Loader->FirstHeader.SampleRate();
}

int32_t TMpegAudioFile::GetBitsPerSample() {
    return 16;
}

uint8_t TMpegAudioFile::GetFormatCode() {
    return fcMpeg;
}

bool TMpegAudioFile::IsSource() {
    return true;
}

double TMpegAudioFile::GetDuration() {
    const TMpegHeader& first = Loader->FirstHeader;
    int32_t rate = first.SampleRate();
    if (rate <= 0) return 0;
    if (Vbr.Present()) return double(Vbr.Frames) * first.SamplesPerFrame() / rate / 86400.0;
    if (!Loader->ScanComplete && estimate < 0) {
        try {
            TFastMp3size fast(FileName, audioEnd, false);
            estimate = fast.GetDuration();
            // Counted once by the scan, which the PCM size needs as well.
            if (fast.MustCount) Loader->Scan(false);
        } catch (const ESonvaleError&) {
            estimate = 0;
        }
    }
    if (Loader->ScanComplete)
        return double(GetPcmSize()) / (double(first.Channels()) * 2.0 * rate) / 86400.0;
    return estimate;
}

void TMpegAudioFile::DecodeCurrentInto(void* dst) {
    if (!Decoder->DecodeFrame(dst)) std::memset(dst, 0, size_t(FrameBytes));
}

bool TMpegAudioFile::Read(void* buffer, int& count) {
    if (count <= 0 || !buffer) {
        count = 0;
        return false;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    const int want = count;
    int done = 0;
    if (Pending > 0) {
        int n = std::min(Pending, want);
        std::memcpy(out, FrameBuffer.data() + (FrameBytes - Pending), size_t(n));
        Pending -= n;
        done += n;
        PcmPosition += n;
    }
    // Once the last frame has been decoded nothing more is produced: the
    // count says how much this call delivered.
    while (done < want && !endReached) {
        int remaining = want - done;
        if (FrameBytes < remaining) {
            DecodeCurrentInto(out + done);
            if (!Loader->NextFrame()) endReached = true;
            done += FrameBytes;
            PcmPosition += FrameBytes;
        } else {
            DecodeCurrentInto(FrameBuffer.data());
            if (!Loader->NextFrame()) endReached = true;
            std::memcpy(out + done, FrameBuffer.data(), size_t(remaining));
            PcmPosition += remaining;
            Pending = FrameBytes - remaining;
            done += remaining;
        }
    }
    count = done;
    return done > 0;
}

void TMpegAudioFile::Seek(int64_t position) {
    position &= ~int64_t(3);
    if (position == PcmPosition) return;
    if (position < 0) position = 0;
    const int first = FirstAudioFrame();
    // Frame and offset in whole PCM bytes: every frame yields FrameBytes.
    int64_t f = position / FrameBytes;
    int64_t offset = position - f * FrameBytes;
    // The table may not reach the target yet (it grows as frames are read).
    Loader->EnsureFrames(int(std::min<int64_t>(first + f + 1, std::numeric_limits<int>::max())));
    int64_t audioFrames = int64_t(Loader->FrameCount) - first;
    if (audioFrames <= 0) {
        PcmPosition = 0;
        Pending = 0;
        endReached = true;
        return;
    }
    if (f >= audioFrames) {
        // Past the end: the position becomes the end of the stream.
        f = audioFrames - 1;
        offset = FrameBytes;
        position = audioFrames * FrameBytes;
    }
    PcmPosition = position;
    int index = int(first + f);
    if (index != Loader->CurrentIndex || endReached || !Loader->FrameLoaded) {
        Decoder->SeekToFrame(index);
        Loader->LoadFrame(index);
    }
    DecodeCurrentInto(FrameBuffer.data());
    endReached = !Loader->NextFrame();
    Pending = int32_t(FrameBytes - offset);
}

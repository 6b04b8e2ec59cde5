#include "audio/Ac3File.h"

#include "audio/FfmpegApi.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagSelect.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex currentLock;
TAc3File* current = nullptr;
const void* currentContext = nullptr;  // the decoder context of the current reader
std::atomic<const TFfmpegApi*> logApi; // the libraries whose log comes to LogCallback

constexpr int kBitrates[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                               192, 224, 256, 320, 384, 448, 512, 576, 640};

// The decoder's diagnostics become lines of the current reader's Messages.
void LogCallback(void* avcl, int level, const char* fmt, va_list vl) {
    {
        std::lock_guard<std::mutex> g(currentLock);
        if (current && avcl && avcl == currentContext) {
            if (level <= AV_LOG_WARNING) {
                char line[1024];
                va_list copy;
                va_copy(copy, vl);
                std::vsnprintf(line, sizeof line, fmt, copy);
                va_end(copy);
                current->Messages.append(QString::fromUtf8(line).trimmed());
            }
            return;
        }
    }
    logApi.load()->av_log_default_callback(avcl, level, fmt, vl);
}

void InstallLogCallback(const TFfmpegApi& av) {
    std::lock_guard<std::mutex> g(currentLock);
    if (logApi == &av) return;
    logApi = &av;
    av.av_log_set_callback(LogCallback);
}

// Every this many frames the walk keeps a frame's start for seeks.
constexpr int64_t kCheckpointStep = 64;

// Length of the whole frame whose first 8 bytes are `head`, or 0 when they
// are not the start of an AC-3 frame that DecodeFrame would take.
int32_t WholeFrameBytes(const uint8_t* head) {
    if (head[0] != 0x0B || head[1] != 0x77 || Ac3BitStreamId(head, 8) > 10) return 0;
    const int32_t bytes = Ac3FrameBytes(head[4] & 0x3F, head[4] >> 6);
    return bytes >= 8 ? bytes : 0;
}

} // namespace

int32_t Ac3SampleRate(int code) {
    static const int32_t rates[4] = {48000, 44100, 32000, 0};
    return rates[code & 3];
}

int32_t Ac3BitrateKbps(int frameSizeCode) {
    if (frameSizeCode < 0 || frameSizeCode / 2 >= 19) return 0;
    return kBitrates[frameSizeCode / 2];
}

int32_t Ac3FrameBytes(int frameSizeCode, int sampleRateCode) {
    const int32_t kbps = Ac3BitrateKbps(frameSizeCode);
    if (kbps == 0) return 0;
    switch (sampleRateCode) {
    case 0:
        return 2 * (kbps * 2); // 16-bit words per frame, 1536 samples at 48 kHz
    case 1:
        return 2 * (kbps * 96000 / 44100 + (frameSizeCode & 1));
    case 2:
        return 2 * (kbps * 3);
    default:
        return 0;
    }
}

int Ac3BitStreamId(const uint8_t* f, int size) {
    return size < 6 ? -1 : f[5] >> 3;
}

int32_t Ac3ChannelsOfFrame(const uint8_t* f, int size) {
    // syncword(16) crc1(16) fscod(2) frmsizecod(6) bsid(5) bsmod(3) acmod(3) ...
    if (size < 7) return 0;
    static const int nfchans[8] = {2, 1, 2, 3, 3, 4, 4, 5};
    const uint32_t bits = (uint32_t(f[5]) << 8) | f[6]; // bsid..., starts at byte 5
    int pos = 8;                                        // bit position after bsid and bsmod
    auto take = [&](int n) {
        const uint32_t v = (bits >> (16 - pos - n)) & ((1u << n) - 1);
        pos += n;
        return int(v);
    };
    const int acmod = take(3);
    if ((acmod & 1) && acmod != 1) take(2); // cmixlev
    if (acmod & 4) take(2);                 // surmixlev
    if (acmod == 2) take(2);                // dsurmod
    const int lfeon = take(1);
    return nfchans[acmod] + lfeon;
}

struct TAc3File::TDecoder {
    explicit TDecoder(const TFfmpegApi& api) : av(api) {}
    const TFfmpegApi& av;
    AVCodecContext* ctx = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* frame = nullptr;
    AVChannelLayout layout{}; // the first frame's: every frame is delivered in it
    bool haveLayout = false;
    SwrContext* swr = nullptr; // mixes frames of another layout into it
    AVChannelLayout swrFrom{};
    ~TDecoder() {
        av.swr_free(&swr);
        av.av_channel_layout_uninit(&swrFrom);
        av.av_channel_layout_uninit(&layout);
        av.avcodec_free_context(&ctx);
        av.av_packet_free(&pkt);
        av.av_frame_free(&frame);
    }
    // Broadcasts switch between stereo and 5.1 within one stream: such frames
    // are mixed into the first frame's layout instead of ending the stream.
    bool Remix(AVFrame* f, float* out) {
        if (!swr || av.av_channel_layout_compare(&swrFrom, &f->ch_layout) != 0) {
            av.swr_free(&swr);
            av.av_channel_layout_uninit(&swrFrom);
            if (av.swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_FLT, f->sample_rate,
                                       &f->ch_layout, AVSampleFormat(f->format), f->sample_rate, 0,
                                       nullptr) < 0 ||
                // A downmix is scaled to stay within full scale rather than clip.
                av.av_opt_set_double(swr, "rematrix_maxval", 1.0, 0) < 0 || av.swr_init(swr) < 0 ||
                av.av_channel_layout_copy(&swrFrom, &f->ch_layout) < 0) {
                av.swr_free(&swr);
                return false;
            }
        }
        auto* dst = reinterpret_cast<uint8_t*>(out);
        return av.swr_convert(swr, &dst, f->nb_samples,
                              const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples) == f->nb_samples;
    }
};

TAc3File* TAc3File::Current() {
    std::lock_guard<std::mutex> g(currentLock);
    return current;
}

void TAc3File::Release() {
    std::lock_guard<std::mutex> g(currentLock);
    if (current == this) {
        current = nullptr;
        currentContext = nullptr;
    }
}

TAc3File::TAc3File(const QString& fileName) : TAbstractAudioFile(fileName) {
    if (Current())
        throw ESonvaleError(
            QStringLiteral("AZID.DLL allow only one AC3 stream to be decoded at a time"));
    Stream = std::make_unique<TWFileStream>(fileName, fmOpenRead | fmShareDenyNone);

    // The decoder itself is opened by the first decode (OpenDecoder): showing the
    // properties and tags of a file does not load FFmpeg.
    Tags.append(
        QStringLiteral("DECODER=FFmpeg libavcodec %1, AC-3 decoder").arg(LIBAVCODEC_VERSION_MAJOR));
    int64_t searchFrom = 0;
    bool afterTag = false;
    {
        const TFileTagInfo tags = ReadPreferredTags(fileName, TTagPreference::Id3v2First);
        if (tags.TagKinds) Tags = tags.Tags;
        TagKinds = tags.TagKinds;
        // Bytes 0x0B 0x77 inside the tag (a picture, say) are not a frame.
        searchFrom = tags.Id3v2Size;
        afterTag = tags.Id3v2Size > 0;
    }

    {
        std::lock_guard<std::mutex> g(currentLock);
        if (current) // opened meanwhile on another thread
            throw ESonvaleError(
                QStringLiteral("AZID.DLL allow only one AC3 stream to be decoded at a time"));
        current = this;
    }
    try {
        // The sync word 0x0B 0x77, looked for at even offsets from the start of
        // the stream: the file's start, or the first byte after a tag and its
        // zero padding (a tag of odd length puts the stream at an odd offset).
        const int64_t size = Stream->GetSize();
        std::vector<uint8_t> chunk(65536);
        int64_t at = searchFrom;
        int64_t found = -1;
        Stream->SetPosition(at);
        while (found < 0 && at + 1 < size) {
            const int64_t got = Stream->Read(chunk.data(), int64_t(chunk.size()));
            if (got < 2) break;
            int64_t i = 0;
            if (afterTag) {
                while (i < got && chunk[size_t(i)] == 0)
                    ++i;
                afterTag = i == got;
            }
            for (; i + 1 < got; i += 2)
                if (chunk[size_t(i)] == 0x0B && chunk[size_t(i) + 1] == 0x77) {
                    found = at + i;
                    break;
                }
            at += i;
            Stream->SetPosition(at);
        }
        uint8_t head[8] = {};
        if (found >= 0) {
            Stream->SetPosition(found);
            if (Stream->Read(head, 8) < 5) found = -1;
        }
        // E-AC-3 (bit-stream ids 11 to 16) has another frame layout: reading it
        // as AC-3 would give wrong rates, lengths and channels.
        const int bsid = Ac3BitStreamId(head, 8);
        if (found < 0 || bsid > 10) throw ESonvaleError(QStringLiteral("Invalid AC3 file"));
        SampleRateCode = head[4] >> 6;
        FrameSizeCode = head[4] & 0x3F;
        RateShift = std::max(bsid, 8) - 8;
        FirstFrame = found;
        Stream->SetPosition(FirstFrame);
        Channels = Ac3ChannelsOfFrame(head, 8);
        FrameBytes = Ac3FrameBytes(FrameSizeCode, SampleRateCode);
        // A reserved rate or frame size leaves nothing to decode.
        if (Channels <= 0 || FrameBytes <= 0)
            throw ESonvaleError(QStringLiteral("Invalid AC3 file"));
        FloatBuffer.assign(size_t(Channels) * 1536, 0.0f);
        PcmFrameBytes = Channels * 3072;
        PcmBuffer.assign(size_t(Channels) * 1536, 0);
    } catch (...) {
        Release();
        throw;
    }
}

TAc3File::~TAc3File() {
    Release();
}

void TAc3File::OpenDecoder() {
    if (dec) return;
    QString why;
    const TFfmpegApi* api = FfmpegApi(why);
    if (!api)
        throw ESonvaleError(
            QStringLiteral("AZID.DLL not found. AC3 support is not enabled (%1)").arg(why));
    const TFfmpegApi& av = *api;
    auto d = std::make_unique<TDecoder>(av);
    const AVCodec* codec = av.avcodec_find_decoder(AV_CODEC_ID_AC3);
    if (codec) {
        d->ctx = av.avcodec_alloc_context3(codec);
        d->pkt = av.av_packet_alloc();
        d->frame = av.av_frame_alloc();
    }
    if (!codec || !d->ctx || !d->pkt || !d->frame || av.avcodec_open2(d->ctx, codec, nullptr) < 0)
        throw ESonvaleError(QStringLiteral("AZID.DLL initialization failed"));
    InstallLogCallback(av);
    dec = std::move(d);
    std::lock_guard<std::mutex> g(currentLock);
    if (current == this) currentContext = dec->ctx;
}

// Bit-stream ids 9 and 10 mark half- and quarter-rate streams: the same
// frames carry the same samples over twice or four times the time.
int32_t TAc3File::GetBitrate() {
    return (Ac3BitrateKbps(FrameSizeCode) * 1000) >> RateShift;
}
int32_t TAc3File::GetChannels() {
    return Channels;
}
int64_t TAc3File::GetFileSize() {
    return Stream->GetSize();
}
int64_t TAc3File::GetPosition() {
    return PcmPosition;
}
int64_t TAc3File::GetPcmSize() {
    WalkFrames();
    return PcmSize;
}
int32_t TAc3File::GetSampleRate() {
    return Ac3SampleRate(SampleRateCode) >> RateShift;
}
int32_t TAc3File::GetBitsPerSample() {
    return 16;
}
uint8_t TAc3File::GetFormatCode() {
    return fcAc3;
}
bool TAc3File::IsSource() {
    return true;
}

bool TAc3File::DecodeFrame() {
    // Each frame carries its own size; a frame whose header is damaged ends the
    // stream, as a cut one does. A whole frame the decoder refuses is silence,
    // so that the stream keeps its length and its time.
    uint8_t head[8];
    const int64_t start = Stream->Position();
    if (Stream->Read(head, 8) != 8) return false;
    const int32_t bytes = WholeFrameBytes(head); // E-AC-3 is not read as AC-3
    if (bytes == 0) return false;
    frameBytes.resize(size_t(bytes));
    std::memcpy(frameBytes.data(), head, 8);
    if (Stream->Read(frameBytes.data() + 8, bytes - 8) != bytes - 8) {
        Messages.append(QStringLiteral("End of file"));
        Stream->SetPosition(start + bytes);
        return false;
    }
    // The decoder tells why through the log callback (Messages).
    if (!DecodePacket(bytes)) std::fill(PcmBuffer.begin(), PcmBuffer.end(), int16_t(0));
    return true;
}

bool TAc3File::DecodePacket(int32_t bytes) {
    OpenDecoder();
    const TFfmpegApi& av = dec->av;
    av.av_packet_unref(dec->pkt);
    if (av.av_new_packet(dec->pkt, bytes) < 0) return false;
    std::memcpy(dec->pkt->data, frameBytes.data(), size_t(bytes));
    if (av.avcodec_send_packet(dec->ctx, dec->pkt) < 0) return false;
    if (av.avcodec_receive_frame(dec->ctx, dec->frame) < 0) return false;
    AVFrame* f = dec->frame;
    const int ch = f->ch_layout.nb_channels;
    const bool isFloat = f->format == AV_SAMPLE_FMT_FLTP || f->format == AV_SAMPLE_FMT_FLT;
    bool ok = isFloat && f->nb_samples == 1536;
    if (ok && !dec->haveLayout)
        dec->haveLayout = ok =
            ch == Channels && av.av_channel_layout_copy(&dec->layout, &f->ch_layout) >= 0;
    if (ok && av.av_channel_layout_compare(&f->ch_layout, &dec->layout) != 0) {
        ok = dec->Remix(f, FloatBuffer.data());
    } else if (ok) {
        const bool planar = av.av_sample_fmt_is_planar(AVSampleFormat(f->format));
        for (int c = 0; c < ch; ++c)
            for (int i = 0; i < 1536; ++i) {
                const float v = planar ? reinterpret_cast<const float*>(f->extended_data[c])[i]
                                       : reinterpret_cast<const float*>(f->data[0])[i * ch + c];
                FloatBuffer[size_t(i) * ch + c] = v;
            }
    }
    av.av_frame_unref(f);
    if (!ok) {
        Messages.append(QStringLiteral("Unexpected frame layout"));
        return false;
    }
    for (size_t i = 0; i < FloatBuffer.size(); ++i) {
        const double s = std::round(double(FloatBuffer[i]) * 32767.0);
        PcmBuffer[i] = int16_t(std::clamp(s, -32768.0, 32767.0));
    }
    return true;
}

void TAc3File::WalkFrames() {
    // Frames differ in length (44.1 kHz streams mix two, a stream may change
    // its bit rate midway) and the stream ends at the first frame that is not
    // whole, as Read does: the frames are counted by their headers, once.
    if (walked) return;
    walked = true;
    const int64_t resume = Stream->Position(); // Read goes on from there
    const int64_t size = Stream->GetSize();
    QByteArray window;
    int64_t windowStart = 0, at = FirstFrame, frames = 0;
    for (;;) {
        if (at + 8 > windowStart + window.size()) {
            window = Stream->ReadBytesAt(at, 64 * 1024);
            windowStart = at;
            if (window.size() < 8) break;
        }
        const auto* head =
            reinterpret_cast<const uint8_t*>(window.constData()) + (at - windowStart);
        const int32_t bytes = WholeFrameBytes(head);
        if (bytes == 0 || at + bytes > size) break;
        if (frames % kCheckpointStep == 0) checkpoints.push_back(at);
        at += bytes;
        ++frames;
    }
    PcmSize = frames * PcmFrameBytes;
    Stream->SetPosition(resume);
}

int64_t TAc3File::FrameOffset(int64_t index) {
    // A seek walks at most 63 frames from the nearest start kept by the walk.
    WalkFrames();
    if (checkpoints.empty()) return FirstFrame;
    int64_t i = std::min<int64_t>(index / kCheckpointStep, int64_t(checkpoints.size()) - 1) *
                kCheckpointStep;
    int64_t at = checkpoints[size_t(i / kCheckpointStep)];
    const int64_t size = Stream->GetSize();
    while (i < index) {
        uint8_t head[8];
        Stream->SetPosition(at);
        if (Stream->Read(head, 8) != 8) break;
        const int32_t bytes = WholeFrameBytes(head);
        if (bytes == 0 || at + bytes >= size) break;
        at += bytes;
        ++i;
    }
    return at;
}

bool TAc3File::Read(void* buffer, int& count) {
    auto* out = static_cast<uint8_t*>(buffer);
    const auto* pcm = reinterpret_cast<const uint8_t*>(PcmBuffer.data());
    int done = 0;
    bool result = true;
    if (Pending > 0 && count > 0) {
        const int n = std::min(Pending, count);
        std::memcpy(out, pcm + (PcmFrameBytes - Pending), size_t(n));
        Pending -= n;
        done = n;
    }
    while (done < count) {
        result = DecodeFrame();
        if (!result) break;
        const int n = std::min(PcmFrameBytes, count - done);
        std::memcpy(out + done, pcm, size_t(n));
        Pending = PcmFrameBytes - n;
        done += n;
    }
    PcmPosition += done;
    count = done;
    // Bytes delivered before a failed decode still count; the next call reports the end.
    return done > 0;
}

void TAc3File::Seek(int64_t position) {
    if (position < 0) position = 0;
    position = (position / (2 * Channels)) * 2 * Channels;
    const int64_t index = position / PcmFrameBytes;
    // The transform overlaps frames: the frame before primes the decoder so that
    // the samples after a seek equal those of a straight read.
    OpenDecoder();
    if (!dec->haveLayout) { // the first frame fixes the layout of what is delivered
        Stream->SetPosition(FirstFrame);
        DecodeFrame();
    }
    dec->av.avcodec_flush_buffers(dec->ctx);
    Stream->SetPosition(FrameOffset(index > 0 ? index - 1 : 0));
    if (index > 0) DecodeFrame();
    if (DecodeFrame())
        Pending = PcmFrameBytes - int32_t(position % PcmFrameBytes);
    else
        Pending = 0;
    PcmPosition = position;
}

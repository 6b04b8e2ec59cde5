#include "support/AudioFixtures.h"

#include "audio/AbstractAudioFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

namespace fixtures {

namespace {

int64_t FrameCount(int sampleRate, double seconds) {
    return std::max<int64_t>(0, std::llround(sampleRate * seconds));
}

void SetError(QString* error, const QString& message) {
    if (error) *error = message;
}

QString AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

// xorshift32: tiny, and unlike the <random> distributions identical everywhere.
uint32_t NextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace

std::vector<int16_t> MakeSine(int sampleRate, int channels, double seconds, double freq,
                              double amplitude) {
    const int64_t frames = FrameCount(sampleRate, seconds);
    std::vector<int16_t> pcm;
    if (sampleRate <= 0 || channels <= 0) return pcm;
    pcm.reserve(size_t(frames * channels));
    const double step = 2.0 * std::numbers::pi * freq / sampleRate;
    const double peak = std::clamp(amplitude, 0.0, 1.0) * 32767.0;
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm.push_back(int16_t(std::lround(peak * std::sin(step * double(i) + 0.5 * c))));
    return pcm;
}

std::vector<int16_t> MakeNoise(int sampleRate, int channels, double seconds, double amplitude,
                               uint32_t seed) {
    const int64_t frames = FrameCount(sampleRate, seconds);
    std::vector<int16_t> pcm;
    if (sampleRate <= 0 || channels <= 0) return pcm;
    pcm.reserve(size_t(frames * channels));
    uint32_t state = seed ? seed : 0x9E3779B9u; // xorshift never leaves zero
    const double peak = std::clamp(amplitude, 0.0, 1.0) * 32767.0;
    for (int64_t i = 0; i < frames * channels; ++i) {
        const double u = double(NextRandom(state)) / 4294967295.0 * 2.0 - 1.0;
        pcm.push_back(int16_t(std::lround(peak * u)));
    }
    return pcm;
}

void PutLE16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void PutLE32(QByteArray& b, uint32_t v) {
    PutLE16(b, uint16_t(v & 0xFFFF));
    PutLE16(b, uint16_t(v >> 16));
}

void PutBE16(QByteArray& b, uint16_t v) {
    b.append(char(v >> 8));
    b.append(char(v & 0xFF));
}

void PutBE32(QByteArray& b, uint32_t v) {
    PutBE16(b, uint16_t(v >> 16));
    PutBE16(b, uint16_t(v & 0xFFFF));
}

QByteArray Chunk(const char* id, const QByteArray& body, int64_t sizeOverride) {
    QByteArray b(id, 4);
    PutLE32(b, uint32_t(sizeOverride >= 0 ? sizeOverride : body.size()));
    b += body;
    if (body.size() % 2) b.append(char(0));
    return b;
}

QByteArray MakeWave(int sampleRate, int channels, int bitsPerSample,
                    const std::vector<int16_t>& pcm) {
    const int bytes = bitsPerSample / 8;
    QByteArray data;
    data.reserve(qsizetype(pcm.size()) * bytes);
    for (int16_t s : pcm) {
        switch (bitsPerSample) {
        case 8:
            data.append(char(uint8_t((s >> 8) + 128)));
            break;
        case 16:
            PutLE16(data, uint16_t(s));
            break;
        case 24: {
            const uint32_t v = uint32_t(int32_t(s) * 256);
            data.append(char(v & 0xFF));
            data.append(char((v >> 8) & 0xFF));
            data.append(char((v >> 16) & 0xFF));
            break;
        }
        case 32:
            PutLE32(data, uint32_t(int32_t(s) * 65536));
            break;
        default:
            return {};
        }
    }

    QByteArray fmt;
    PutLE16(fmt, 1); // WAVE_FORMAT_PCM
    PutLE16(fmt, uint16_t(channels));
    PutLE32(fmt, uint32_t(sampleRate));
    PutLE32(fmt, uint32_t(sampleRate * channels * bytes));
    PutLE16(fmt, uint16_t(channels * bytes));
    PutLE16(fmt, uint16_t(bitsPerSample));

    const QByteArray chunks = Chunk("fmt ", fmt) + Chunk("data", data);
    QByteArray out("RIFF");
    PutLE32(out, uint32_t(4 + chunks.size()));
    out += "WAVE";
    out += chunks;
    return out;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size() && f.flush();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

std::vector<int16_t> SourcePcm(const EncodeOptions& o) {
    if (o.freq > 0) return MakeSine(o.sampleRate, o.channels, o.seconds, o.freq, o.amplitude);
    return MakeNoise(o.sampleRate, o.channels, o.seconds, o.amplitude);
}

// ---- libavcodec / libavformat ------------------------------------------------

namespace {

struct CodecCtxFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct OutputFree {
    void operator()(AVFormatContext* f) const {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct InputFree {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct DictFree {
    AVDictionary* d = nullptr;
    ~DictFree() { av_dict_free(&d); }
};

using CodecCtxPtr = std::unique_ptr<AVCodecContext, CodecCtxFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// Formats we can fill by hand, in order of preference; the encoder's own list decides.
AVSampleFormat PickSampleFormat(const AVCodec* codec) {
    static const AVSampleFormat kPreferred[] = {AV_SAMPLE_FMT_S16,  AV_SAMPLE_FMT_S16P,
                                                AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT,
                                                AV_SAMPLE_FMT_S32P, AV_SAMPLE_FMT_S32};
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_S16;
    for (AVSampleFormat want : kPreferred)
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == want) return want;
    return AV_SAMPLE_FMT_NONE;
}

// Copies `count` frames of interleaved s16 into `frame` (already allocated with room for
// frame->nb_samples), converting to the frame's format; the rest is silence.
void FillFrame(AVFrame* frame, const int16_t* src, int count, int channels) {
    const auto fmt = AVSampleFormat(frame->format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int16_t s = i < count ? src[size_t(i) * channels + c] : int16_t(0);
            const int plane = planar ? c : 0;
            const int index = planar ? i : i * channels + c;
            switch (fmt) {
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
                reinterpret_cast<int16_t*>(frame->data[plane])[index] = s;
                break;
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
                reinterpret_cast<float*>(frame->data[plane])[index] = float(s) / 32768.0f;
                break;
            case AV_SAMPLE_FMT_S32:
            case AV_SAMPLE_FMT_S32P:
                reinterpret_cast<int32_t*>(frame->data[plane])[index] = int32_t(s) * 65536;
                break;
            default:
                break;
            }
        }
    }
}

struct AvJob {
    const char* muxer;
    const char* encoder;
    AVDictionary* codecOptions = nullptr; // consumed by avcodec_open2
    AVDictionary* muxerOptions = nullptr; // consumed by avformat_write_header
    bool qscale = false;                  // VBR quality mode (libmp3lame)
    int globalQuality = 0;
    const char* streamEncoder = nullptr; // stream "encoder" metadata (LAME tag version)
};

bool Drain(AVCodecContext* ctx, AVFormatContext* out, AVStream* st, AVPacket* pkt, QString* error) {
    for (;;) {
        int r = avcodec_receive_packet(ctx, pkt);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            SetError(error, QStringLiteral("encoding failed: ") + AvError(r));
            return false;
        }
        av_packet_rescale_ts(pkt, ctx->time_base, st->time_base);
        pkt->stream_index = st->index;
        r = av_interleaved_write_frame(out, pkt);
        if (r < 0) {
            SetError(error, QStringLiteral("writing a packet failed: ") + AvError(r));
            return false;
        }
    }
}

bool EncodeWithAv(const QString& path, const EncodeOptions& o, AvJob& job, QString* error) {
    DictFree codecOptions{job.codecOptions};
    DictFree muxerOptions{job.muxerOptions};

    const AVCodec* codec = avcodec_find_encoder_by_name(job.encoder);
    if (!codec) {
        SetError(error, QStringLiteral("encoder %1 not available").arg(job.encoder));
        return false;
    }
    if (o.channels <= 0 || o.sampleRate <= 0) {
        SetError(error, QStringLiteral("bad channel count or sample rate"));
        return false;
    }

    AVFormatContext* rawOut = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int r = avformat_alloc_output_context2(&rawOut, nullptr, job.muxer, file.constData());
    if (r < 0 || !rawOut) {
        SetError(error, QStringLiteral("muxer %1: %2").arg(job.muxer, AvError(r)));
        return false;
    }
    std::unique_ptr<AVFormatContext, OutputFree> out(rawOut);
    // Bit-exact output: no library version strings, so the same options give the same bytes.
    out->flags |= AVFMT_FLAG_BITEXACT;

    CodecCtxPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        SetError(error, QStringLiteral("out of memory"));
        return false;
    }
    ctx->sample_rate = o.sampleRate;
    av_channel_layout_default(&ctx->ch_layout, o.channels);
    ctx->sample_fmt = PickSampleFormat(codec);
    if (ctx->sample_fmt == AV_SAMPLE_FMT_NONE) {
        SetError(error, QStringLiteral("no usable sample format for %1").arg(job.encoder));
        return false;
    }
    ctx->time_base = AVRational{1, o.sampleRate};
    ctx->bit_rate = job.qscale ? 0 : o.bitrate;
    ctx->flags |= AV_CODEC_FLAG_BITEXACT;
    if (job.qscale) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = job.globalQuality;
    }
    if (out->oformat->flags & AVFMT_GLOBALHEADER) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    r = avcodec_open2(ctx.get(), codec, &codecOptions.d);
    if (r < 0) {
        SetError(error, QStringLiteral("opening %1 (%2 Hz, %3 ch, %4 bit/s): %5")
                            .arg(job.encoder)
                            .arg(o.sampleRate)
                            .arg(o.channels)
                            .arg(o.bitrate)
                            .arg(AvError(r)));
        return false;
    }

    AVStream* st = avformat_new_stream(out.get(), nullptr);
    if (!st) {
        SetError(error, QStringLiteral("out of memory"));
        return false;
    }
    r = avcodec_parameters_from_context(st->codecpar, ctx.get());
    if (r < 0) {
        SetError(error, AvError(r));
        return false;
    }
    st->time_base = ctx->time_base;
    if (job.streamEncoder) av_dict_set(&st->metadata, "encoder", job.streamEncoder, 0);
    for (const auto& [key, value] : o.metadata)
        av_dict_set(&out->metadata, key.toUtf8().constData(), value.toUtf8().constData(), 0);

    r = avio_open(&out->pb, file.constData(), AVIO_FLAG_WRITE);
    if (r < 0) {
        SetError(error, QStringLiteral("cannot create %1: %2").arg(path, AvError(r)));
        return false;
    }
    r = avformat_write_header(out.get(), &muxerOptions.d);
    if (r < 0) {
        SetError(error, QStringLiteral("writing the header failed: ") + AvError(r));
        return false;
    }

    const std::vector<int16_t> pcm = SourcePcm(o);
    const int64_t total = int64_t(pcm.size()) / o.channels;
    const bool variable = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    const bool smallLast = codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    const int frameSize = (ctx->frame_size > 0 && !variable) ? ctx->frame_size : 1152;

    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!frame || !pkt) {
        SetError(error, QStringLiteral("out of memory"));
        return false;
    }
    // Encoders that hold samples back (initial_padding) but cannot be flushed would drop
    // the tail (wmav2 loses a whole frame); feed them that much silence after the content.
    const bool flushable = codec->capabilities & AV_CODEC_CAP_DELAY;
    const int64_t fed = total + (flushable ? 0 : std::max(0, ctx->initial_padding));
    for (int64_t pos = 0; pos < fed; pos += frameSize) {
        const int count = int(std::min<int64_t>(frameSize, fed - pos));
        const int real = int(std::clamp<int64_t>(total - pos, 0, count));
        // Encoders without small-last-frame support get a final frame padded with silence.
        const int nb = (count < frameSize && !smallLast && !variable) ? frameSize : count;
        av_frame_unref(frame.get());
        frame->format = ctx->sample_fmt;
        frame->sample_rate = ctx->sample_rate;
        frame->nb_samples = nb;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        r = av_frame_get_buffer(frame.get(), 0);
        if (r < 0) {
            SetError(error, AvError(r));
            return false;
        }
        FillFrame(frame.get(), pcm.data() + size_t(std::min(pos, total)) * o.channels, real,
                  o.channels);
        frame->pts = pos;
        r = avcodec_send_frame(ctx.get(), frame.get());
        if (r < 0) {
            SetError(error, QStringLiteral("encoding failed: ") + AvError(r));
            return false;
        }
        if (!Drain(ctx.get(), out.get(), st, pkt.get(), error)) return false;
    }
    r = avcodec_send_frame(ctx.get(), nullptr);
    if (r < 0 && r != AVERROR_EOF) {
        SetError(error, QStringLiteral("flushing the encoder failed: ") + AvError(r));
        return false;
    }
    if (!Drain(ctx.get(), out.get(), st, pkt.get(), error)) return false;
    r = av_write_trailer(out.get());
    if (r < 0) {
        SetError(error, QStringLiteral("writing the trailer failed: ") + AvError(r));
        return false;
    }
    r = avio_closep(&out->pb);
    if (r < 0) {
        SetError(error, QStringLiteral("closing %1 failed: %2").arg(path, AvError(r)));
        return false;
    }
    return true;
}

} // namespace

bool EncodeMp3(const QString& path, const EncodeOptions& o, QString* error) {
    AvJob job{"mp3", "libmp3lame"};
    if (o.vbr) {
        job.qscale = true;
        job.globalQuality = std::clamp(o.vbrQuality, 0, 9) * FF_QP2LAMBDA;
    } else if (o.abr) {
        av_dict_set(&job.codecOptions, "abr", "1", 0);
    }
    av_dict_set(&job.codecOptions, "joint_stereo", o.jointStereo ? "1" : "0", 0);
    av_dict_set(&job.muxerOptions, "write_xing", o.xingHeader ? "1" : "0", 0);
    av_dict_set_int(&job.muxerOptions, "id3v2_version", o.id3v2Version, 0);
    const QByteArray enc = o.xingEncoder.toLatin1();
    if (!enc.isEmpty()) job.streamEncoder = enc.constData();
    return EncodeWithAv(path, o, job, error);
}

bool EncodeMp2(const QString& path, const EncodeOptions& o, QString* error) {
    AvJob job{"mp2", "mp2"};
    return EncodeWithAv(path, o, job, error);
}

bool EncodeAc3(const QString& path, const EncodeOptions& o, QString* error) {
    AvJob job{"ac3", "ac3"};
    return EncodeWithAv(path, o, job, error);
}

bool EncodeWma(const QString& path, const EncodeOptions& o, QString* error) {
    AvJob job{"asf", "wmav2"};
    return EncodeWithAv(path, o, job, error);
}

// ---- libvorbisenc + libogg ------------------------------------------------------

namespace {

struct VorbisState {
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd;
    vorbis_block vb;
    ogg_stream_state os;
    bool dsp = false;
    bool stream = false;
    VorbisState() {
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
    }
    ~VorbisState() {
        if (stream) ogg_stream_clear(&os);
        if (dsp) {
            vorbis_block_clear(&vb);
            vorbis_dsp_clear(&vd);
        }
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
    }
};

bool WritePage(QFile& f, const ogg_page& page) {
    return f.write(reinterpret_cast<const char*>(page.header), page.header_len) ==
               page.header_len &&
           f.write(reinterpret_cast<const char*>(page.body), page.body_len) == page.body_len;
}

} // namespace

bool EncodeOgg(const QString& path, const EncodeOptions& o, QString* error) {
    if (o.channels <= 0 || o.sampleRate <= 0) {
        SetError(error, QStringLiteral("bad channel count or sample rate"));
        return false;
    }
    VorbisState v;
    const int r = o.vbr ? vorbis_encode_init_vbr(&v.vi, o.channels, o.sampleRate,
                                                 float(10 - std::clamp(o.vbrQuality, 0, 9)) / 10.0f)
                        : vorbis_encode_init(&v.vi, o.channels, o.sampleRate, -1, o.bitrate, -1);
    if (r != 0) {
        SetError(error, QStringLiteral("vorbis encoder refused %1 Hz, %2 ch, %3 (code %4)")
                            .arg(o.sampleRate)
                            .arg(o.channels)
                            .arg(o.vbr ? QStringLiteral("quality %1").arg(o.vbrQuality)
                                       : QStringLiteral("%1 bit/s").arg(o.bitrate))
                            .arg(r));
        return false;
    }
    for (const auto& [key, value] : o.metadata)
        vorbis_comment_add_tag(&v.vc, key.toUtf8().constData(), value.toUtf8().constData());

    vorbis_analysis_init(&v.vd, &v.vi);
    vorbis_block_init(&v.vd, &v.vb);
    v.dsp = true;
    // A fixed serial keeps the output reproducible.
    ogg_stream_init(&v.os, 0x53564C31);
    v.stream = true;

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        SetError(error, QStringLiteral("cannot create %1: %2").arg(path, f.errorString()));
        return false;
    }

    ogg_packet ident, comments, books;
    vorbis_analysis_headerout(&v.vd, &v.vc, &ident, &comments, &books);
    ogg_stream_packetin(&v.os, &ident);
    ogg_stream_packetin(&v.os, &comments);
    ogg_stream_packetin(&v.os, &books);
    // The identification header alone on the first page, then the other two; audio
    // starts on a fresh page as the format requires.
    ogg_page page;
    while (ogg_stream_flush(&v.os, &page))
        if (!WritePage(f, page)) {
            SetError(error, f.errorString());
            return false;
        }

    const std::vector<int16_t> pcm = SourcePcm(o);
    const int64_t total = int64_t(pcm.size()) / o.channels;
    constexpr int kBlock = 1024;
    int64_t pos = 0;
    bool eos = false;
    while (!eos) {
        const int count = int(std::min<int64_t>(kBlock, total - pos));
        if (count > 0) {
            float** buf = vorbis_analysis_buffer(&v.vd, count);
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < o.channels; ++c)
                    buf[c][i] = float(pcm[size_t(pos + i) * o.channels + c]) / 32768.0f;
            vorbis_analysis_wrote(&v.vd, count);
            pos += count;
        } else {
            vorbis_analysis_wrote(&v.vd, 0); // end of input
        }
        while (vorbis_analysis_blockout(&v.vd, &v.vb) == 1) {
            vorbis_analysis(&v.vb, nullptr);
            vorbis_bitrate_addblock(&v.vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&v.vd, &op)) {
                ogg_stream_packetin(&v.os, &op);
                while (!eos && ogg_stream_pageout(&v.os, &page)) {
                    if (!WritePage(f, page)) {
                        SetError(error, f.errorString());
                        return false;
                    }
                    eos = ogg_page_eos(&page);
                }
            }
        }
        if (count <= 0 && !eos) {
            // Everything was submitted; push out whatever the stream still holds.
            while (ogg_stream_flush(&v.os, &page)) {
                if (!WritePage(f, page)) {
                    SetError(error, f.errorString());
                    return false;
                }
                eos = eos || ogg_page_eos(&page);
            }
            if (!eos) {
                SetError(error, QStringLiteral("vorbis stream ended without an end page"));
                return false;
            }
        }
    }
    if (!f.flush()) {
        SetError(error, f.errorString());
        return false;
    }
    return true;
}

// ---- decoding oracle ------------------------------------------------------------

bool DecodeWithFfmpeg(const QString& path, std::vector<int16_t>& pcm, int* sampleRate,
                      int* channels, QString* error) {
    pcm.clear();
    AVFormatContext* rawIn = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int r = avformat_open_input(&rawIn, file.constData(), nullptr, nullptr);
    if (r < 0) {
        SetError(error, QStringLiteral("cannot open %1: %2").arg(path, AvError(r)));
        return false;
    }
    std::unique_ptr<AVFormatContext, InputFree> in(rawIn);
    r = avformat_find_stream_info(in.get(), nullptr);
    if (r < 0) {
        SetError(error, QStringLiteral("no stream info: ") + AvError(r));
        return false;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(in.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0 || !codec) {
        SetError(error, QStringLiteral("no decodable audio stream: ") + AvError(index));
        return false;
    }
    CodecCtxPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        SetError(error, QStringLiteral("out of memory"));
        return false;
    }
    avcodec_parameters_to_context(ctx.get(), in->streams[index]->codecpar);
    r = avcodec_open2(ctx.get(), codec, nullptr);
    if (r < 0) {
        SetError(error, QStringLiteral("opening the decoder failed: ") + AvError(r));
        return false;
    }

    std::unique_ptr<SwrContext, SwrFree> swr;
    int outChannels = 0;
    int outRate = 0;
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    std::vector<int16_t> buf;

    auto convert = [&](const AVFrame* f) -> bool {
        if (!swr) {
            outChannels = f->ch_layout.nb_channels;
            outRate = f->sample_rate;
            AVChannelLayout layout;
            AVChannelLayout inLayout{};
            av_channel_layout_default(&layout, outChannels);
            av_channel_layout_copy(&inLayout, &f->ch_layout);
            SwrContext* s = nullptr;
            int e = swr_alloc_set_opts2(&s, &layout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                        AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
            av_channel_layout_uninit(&layout);
            av_channel_layout_uninit(&inLayout);
            if (e < 0 || swr_init(s) < 0) {
                swr_free(&s);
                SetError(error, QStringLiteral("cannot convert the decoded samples"));
                return false;
            }
            swr.reset(s);
        }
        const int room = swr_get_out_samples(swr.get(), f ? f->nb_samples : 0);
        if (room <= 0) return true;
        buf.resize(size_t(room) * outChannels);
        uint8_t* dst = reinterpret_cast<uint8_t*>(buf.data());
        const int got = swr_convert(swr.get(), &dst, room,
                                    f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                                    f ? f->nb_samples : 0);
        if (got < 0) {
            SetError(error, QStringLiteral("sample conversion failed"));
            return false;
        }
        pcm.insert(pcm.end(), buf.begin(), buf.begin() + size_t(got) * outChannels);
        return true;
    };

    auto receive = [&]() -> bool {
        for (;;) {
            int e = avcodec_receive_frame(ctx.get(), frame.get());
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return true;
            if (e < 0) {
                SetError(error, QStringLiteral("decoding failed: ") + AvError(e));
                return false;
            }
            const bool ok = convert(frame.get());
            av_frame_unref(frame.get());
            if (!ok) return false;
        }
    };

    while ((r = av_read_frame(in.get(), pkt.get())) >= 0) {
        if (pkt->stream_index == index) {
            const int e = avcodec_send_packet(ctx.get(), pkt.get());
            av_packet_unref(pkt.get());
            if (e < 0 && e != AVERROR_INVALIDDATA) {
                SetError(error, QStringLiteral("decoding failed: ") + AvError(e));
                return false;
            }
            if (!receive()) return false;
        } else {
            av_packet_unref(pkt.get());
        }
    }
    if (r != AVERROR_EOF) {
        SetError(error, QStringLiteral("reading failed: ") + AvError(r));
        return false;
    }
    avcodec_send_packet(ctx.get(), nullptr);
    if (!receive()) return false;
    if (swr && !convert(nullptr)) return false;
    if (!swr) {
        SetError(error, QStringLiteral("no audio decoded"));
        return false;
    }
    if (sampleRate) *sampleRate = outRate;
    if (channels) *channels = outChannels;
    return true;
}

// ---- environment ------------------------------------------------------------------

QString CorpusDir() {
#ifdef SONVALE_CORPUS_DIR
    const QDir dir(QStringLiteral(SONVALE_CORPUS_DIR));
    if (dir.exists()) return dir.absolutePath();
#endif
    return {};
}

bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

int RunProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err,
               int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput();
    if (err) *err = p.readAllStandardError();
    if (p.exitStatus() != QProcess::NormalExit) return -1;
    return p.exitCode();
}

QByteArray SilentMp3Frames(int frames) {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF), frame[1] = char(0xFB), frame[2] = char(0x90), frame[3] = char(0x64);
    return frame.repeated(frames);
}

std::vector<uint8_t> ReadAllBytes(TAbstractAudioFile& r, int chunk) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buf(static_cast<size_t>(chunk));
    for (int guard = 0; guard < 1000000; ++guard) {
        int count = chunk;
        if (!r.Read(buf.data(), count)) break;
        out.insert(out.end(), buf.begin(), buf.begin() + count);
    }
    return out;
}

std::vector<int16_t> ReadAllPcm16(TAbstractAudioFile& r, int chunk) {
    const std::vector<uint8_t> bytes = ReadAllBytes(r, chunk);
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

int MaxDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    int m = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        m = std::max(m, std::abs(a[i] - b[i]));
    return m;
}

} // namespace fixtures

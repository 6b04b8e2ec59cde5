#include "audio/FfmpegPcm.h"

#include "audio/FfmpegApi.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"

#include <algorithm>
#include <cstring>

struct TFfmpegPcm::TState {
    explicit TState(const TFfmpegApi& api) : av(api) {}
    const TFfmpegApi& av;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* ctx = nullptr;
    SwrContext* swr = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    int stream = -1;
    bool flushed = false;  // end of input signalled to the decoder
    int64_t delivered = 0; // bytes handed out (or skipped) since the start
    ~TState() {
        av.swr_free(&swr);
        av.avcodec_free_context(&ctx);
        av.avformat_close_input(&fmt);
        av.av_frame_free(&frame);
        av.av_packet_free(&pkt);
    }
};

TFfmpegPcm::TFfmpegPcm(const QString& name, int bytes, const char* container)
    : fileName(name), bytesPerSample(std::clamp(bytes, 1, 4)), container(container) {}

TFfmpegPcm::~TFfmpegPcm() = default;

void TFfmpegPcm::Close() {
    st.reset();
    pending.clear();
    pendingPos = 0;
    eof = false;
}

bool TFfmpegPcm::EnsureOpen() {
    if (st) return true;
    if (failed) return false;
    return Reopen();
}

bool TFfmpegPcm::Reopen() {
    Close();
    // Without the libraries nothing can be decoded: say so rather than end the stream.
    QString why;
    const TFfmpegApi* api = FfmpegApi(why);
    if (!api) throw ESonvaleError(why);
    const TFfmpegApi& av = *api;
    auto s = std::make_unique<TState>(av);
    // "file:" keeps a name with a colon from being read as a protocol.
    const QByteArray file = "file:" + EncodeFileName(fileName);
    // A count needs no probe of the streams' properties by decoding: only the frames'
    // sample counts, which the decoder opened from the container's header gives.
    const AVInputFormat* format = container ? av.av_find_input_format(container) : nullptr;
    if (av.avformat_open_input(&s->fmt, file.constData(), format, nullptr) < 0 ||
        (!counted && av.avformat_find_stream_info(s->fmt, nullptr) < 0)) {
        failed = true;
        return false;
    }
    const AVCodec* codec = nullptr;
    s->stream = av.av_find_best_stream(s->fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (s->stream < 0 || !codec) {
        failed = true;
        return false;
    }
    s->ctx = av.avcodec_alloc_context3(codec);
    s->frame = av.av_frame_alloc();
    s->pkt = av.av_packet_alloc();
    if (!s->ctx || !s->frame || !s->pkt ||
        av.avcodec_parameters_to_context(s->ctx, s->fmt->streams[s->stream]->codecpar) < 0 ||
        av.avcodec_open2(s->ctx, codec, nullptr) < 0) {
        failed = true;
        return false;
    }
    decoderName = QString::fromUtf8(codec->long_name ? codec->long_name : codec->name);
    st = std::move(s);
    return true;
}

bool TFfmpegPcm::DecodeMore() {
    if (!st || eof) return false;
    const TFfmpegApi& av = st->av;
    for (;;) {
        const int r = av.avcodec_receive_frame(st->ctx, st->frame);
        if (r == 0) {
            AVFrame* f = st->frame;
            if (!st->swr) {
                channels = f->ch_layout.nb_channels;
                sampleRate = f->sample_rate;
                if (channels <= 0 || sampleRate <= 0) {
                    eof = true;
                    return false;
                }
                const AVSampleFormat out = bytesPerSample == 1   ? AV_SAMPLE_FMT_U8
                                           : bytesPerSample == 2 ? AV_SAMPLE_FMT_S16
                                                                 : AV_SAMPLE_FMT_S32;
                AVChannelLayout layout;
                av.av_channel_layout_default(&layout, channels);
                const int e =
                    av.swr_alloc_set_opts2(&st->swr, &layout, out, sampleRate, &f->ch_layout,
                                           AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
                av.av_channel_layout_uninit(&layout);
                if (e < 0 || av.swr_init(st->swr) < 0) {
                    eof = true;
                    return false;
                }
            }
            // A stream whose layout changes midway is not followed further.
            if (f->ch_layout.nb_channels != channels || f->sample_rate != sampleRate) {
                av.av_frame_unref(f);
                eof = true;
                return false;
            }
            if (counted) { // same rate, so the conversion would give as many samples
                const int n = f->nb_samples;
                *counted += int64_t(std::max(n, 0)) * channels * bytesPerSample;
                av.av_frame_unref(f);
                if (n > 0) return true;
                continue;
            }
            const int room = av.swr_get_out_samples(st->swr, f->nb_samples);
            if (room <= 0) {
                av.av_frame_unref(f);
                continue;
            }
            const int unit = bytesPerSample == 3 ? 4 : bytesPerSample;
            std::vector<uint8_t> conv(size_t(room) * channels * unit);
            uint8_t* dst = conv.data();
            const int got = av.swr_convert(
                st->swr, &dst, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
            av.av_frame_unref(f);
            if (got < 0) {
                eof = true;
                return false;
            }
            if (pendingPos > 0) {
                pending.erase(pending.begin(), pending.begin() + pendingPos);
                pendingPos = 0;
            }
            const size_t n = size_t(got) * channels;
            if (bytesPerSample == 3) {
                for (size_t i = 0; i < n; ++i) // keep the top 24 bits
                    pending.insert(pending.end(), conv.begin() + i * 4 + 1,
                                   conv.begin() + i * 4 + 4);
            } else {
                pending.insert(pending.end(), conv.begin(), conv.begin() + n * unit);
            }
            if (got > 0) return true;
            continue;
        }
        if (r == AVERROR_EOF) {
            eof = true;
            return false;
        }
        // A packet the decoder could not decode is dropped by it: go on with the next
        // one, as players do, rather than end the stream at the first damaged frame.
        if (st->flushed) {
            eof = true;
            return false;
        }
        // Feed the decoder the next packet of our stream; a broken packet is skipped.
        const int rd = av.av_read_frame(st->fmt, st->pkt);
        if (rd < 0) {
            av.avcodec_send_packet(st->ctx, nullptr);
            st->flushed = true;
            continue;
        }
        if (st->pkt->stream_index == st->stream) {
            const int e = av.avcodec_send_packet(st->ctx, st->pkt);
            if (e == AVERROR(ENOMEM)) {
                av.av_packet_unref(st->pkt);
                eof = true;
                return false;
            }
        }
        av.av_packet_unref(st->pkt);
    }
}

int64_t TFfmpegPcm::CountBytes() {
    int64_t total = 0;
    counted = &total;
    if (EnsureOpen())
        while (DecodeMore()) {
        }
    counted = nullptr;
    return total;
}

int TFfmpegPcm::Read(void* buffer, int count, bool atMostOneFrame) {
    if (count <= 0 || !buffer || !EnsureOpen()) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int done = 0;
    bool fetched = false;
    while (done < count) {
        const size_t avail = pending.size() - pendingPos;
        if (avail > 0) {
            const int n = int(std::min<size_t>(avail, size_t(count - done)));
            std::memcpy(out + done, pending.data() + pendingPos, size_t(n));
            pendingPos += size_t(n);
            done += n;
            continue;
        }
        if (atMostOneFrame && fetched) break;
        pending.clear();
        pendingPos = 0;
        if (!DecodeMore()) break;
        fetched = true;
    }
    st->delivered += done;
    return done;
}

bool TFfmpegPcm::Seek(int64_t bytePosition) {
    if (!EnsureOpen()) return false;
    if (bytePosition < 0) bytePosition = 0;
    // The frame size is known only once the first frame is decoded.
    if (channels == 0 && !DecodeMore() && channels == 0) return false;
    const int64_t frame = int64_t(channels) * bytesPerSample;
    bytePosition -= bytePosition % frame;
    const int64_t current = st->delivered;
    if (bytePosition < current) {
        if (!Reopen()) return false;
    } else {
        // Pending bytes of the current frame may already cover the target.
        const int64_t ahead = bytePosition - current;
        const int64_t avail = int64_t(pending.size() - pendingPos);
        if (ahead <= avail) {
            pendingPos += size_t(ahead);
            st->delivered = bytePosition;
            return true;
        }
        st->delivered += avail;
        pending.clear();
        pendingPos = 0;
    }
    // Decode forward and drop what lies before the target.
    while (st->delivered < bytePosition) {
        if (pendingPos >= pending.size()) {
            pending.clear();
            pendingPos = 0;
            if (!DecodeMore()) return true; // past the end: the next Read gives nothing
        }
        const int64_t take =
            std::min<int64_t>(bytePosition - st->delivered, int64_t(pending.size() - pendingPos));
        pendingPos += size_t(take);
        st->delivered += take;
    }
    return true;
}

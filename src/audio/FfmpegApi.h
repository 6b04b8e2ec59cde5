#pragma once

// FFmpeg decodes the PCM of WMA, Monkey's Audio, Musepack and AC-3 only. Its libraries
// pull in about a hundred codec, network and graphics libraries, so they are not linked:
// they are loaded with dlopen the first time one of those streams is decoded, and every
// call goes through the function table below.

#include <QString>
#include <QStringList>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#define SONVALE_FFMPEG_FUNCTIONS(X)                                                                \
    X(av_channel_layout_compare)                                                                   \
    X(av_channel_layout_copy)                                                                      \
    X(av_channel_layout_default)                                                                   \
    X(av_channel_layout_uninit)                                                                    \
    X(av_find_best_stream)                                                                         \
    X(av_find_input_format)                                                                        \
    X(av_frame_alloc)                                                                              \
    X(av_frame_free)                                                                               \
    X(av_frame_unref)                                                                              \
    X(av_log_default_callback)                                                                     \
    X(av_log_set_callback)                                                                         \
    X(av_new_packet)                                                                               \
    X(av_opt_set_double)                                                                           \
    X(av_packet_alloc)                                                                             \
    X(av_packet_free)                                                                              \
    X(av_packet_unref)                                                                             \
    X(av_read_frame)                                                                               \
    X(av_sample_fmt_is_planar)                                                                     \
    X(avcodec_alloc_context3)                                                                      \
    X(avcodec_find_decoder)                                                                        \
    X(avcodec_flush_buffers)                                                                       \
    X(avcodec_free_context)                                                                        \
    X(avcodec_open2)                                                                               \
    X(avcodec_parameters_to_context)                                                               \
    X(avcodec_receive_frame)                                                                       \
    X(avcodec_send_packet)                                                                         \
    X(avcodec_version)                                                                             \
    X(avformat_close_input)                                                                        \
    X(avformat_find_stream_info)                                                                   \
    X(avformat_open_input)                                                                         \
    X(swr_alloc_set_opts2)                                                                         \
    X(swr_convert)                                                                                 \
    X(swr_free)                                                                                    \
    X(swr_get_out_samples)                                                                         \
    X(swr_init)

struct TFfmpegApi {
#define SONVALE_FFMPEG_MEMBER(name) decltype(&::name) name = nullptr;
    SONVALE_FFMPEG_FUNCTIONS(SONVALE_FFMPEG_MEMBER)
#undef SONVALE_FFMPEG_MEMBER

    // Loads the libraries and looks up every function; null with the reason in `error`.
    static std::unique_ptr<TFfmpegApi> Load(const QStringList& libraries, QString& error);
};

// The libraries of the major versions we are built against, by their file names.
QStringList DefaultFfmpegLibraries();

// The process's table, loaded at the first call; null with the reason in `error` when
// the libraries cannot be loaded (told again to every later caller).
const TFfmpegApi* FfmpegApi(QString& error);

// Makes later FfmpegApi calls load these libraries (empty: the default ones again);
// tests of a machine without FFmpeg.
void UseFfmpegLibraries(const QStringList& libraries);

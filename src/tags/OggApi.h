#pragma once

// libogg, libvorbis and libvorbisfile are loaded with dlopen when the first Ogg file is
// read (io/SharedLibraries.h), not linked: a run that meets no Ogg file never maps them.

#include <QString>
#include <QStringList>
#include <memory>

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisfile.h>

#define SONVALE_OGG_FUNCTIONS(X)                                                                   \
    X(ogg_page_bos)                                                                                \
    X(ogg_page_eos)                                                                                \
    X(ogg_page_serialno)                                                                           \
    X(ogg_stream_clear)                                                                            \
    X(ogg_stream_flush)                                                                            \
    X(ogg_stream_init)                                                                             \
    X(ogg_stream_packetin)                                                                         \
    X(ogg_stream_packetout)                                                                        \
    X(ogg_stream_pagein)                                                                           \
    X(ogg_stream_pageout)                                                                          \
    X(ogg_sync_buffer)                                                                             \
    X(ogg_sync_clear)                                                                              \
    X(ogg_sync_init)                                                                               \
    X(ogg_sync_pageseek)                                                                           \
    X(ogg_sync_wrote)                                                                              \
    X(oggpack_bytes)                                                                               \
    X(oggpack_get_buffer)                                                                          \
    X(oggpack_write)                                                                               \
    X(oggpack_writeclear)                                                                          \
    X(oggpack_writeinit)                                                                           \
    X(vorbis_comment_clear)                                                                        \
    X(vorbis_comment_init)                                                                         \
    X(vorbis_info_clear)                                                                           \
    X(vorbis_info_init)                                                                            \
    X(vorbis_packet_blocksize)                                                                     \
    X(vorbis_synthesis_headerin)                                                                   \
    X(ov_clear)                                                                                    \
    X(ov_comment)                                                                                  \
    X(ov_info)                                                                                     \
    X(ov_open_callbacks)                                                                           \
    X(ov_pcm_seek)                                                                                 \
    X(ov_pcm_tell)                                                                                 \
    X(ov_pcm_total)                                                                                \
    X(ov_read)

struct TOggApi {
#define SONVALE_OGG_MEMBER(name) decltype(&::name) name = nullptr;
    SONVALE_OGG_FUNCTIONS(SONVALE_OGG_MEMBER)
#undef SONVALE_OGG_MEMBER

    // Loads the libraries and looks up every function; null with the reason in `error`.
    static std::unique_ptr<TOggApi> Load(const QStringList& libraries, QString& error);
};

QStringList DefaultOggLibraries();

// The process's table, loaded at the first call; raises ESonvaleError with the reason
// when the libraries cannot be loaded.
const TOggApi& OggApi();

// Makes later OggApi calls load these libraries (empty: the default ones again); tests
// of a machine without them.
void UseOggLibraries(const QStringList& libraries);

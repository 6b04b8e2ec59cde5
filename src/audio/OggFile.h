#pragma once

#include "audio/AbstractAudioFile.h"
#include "io/WFileStream.h"

#include <vorbis/vorbisfile.h>

struct TOggApi;

// Reader for Ogg Vorbis files: libvorbisfile decodes, reading the file
// through our own stream. PCM is 16-bit signed little-endian, interleaved.
// Its tag is the Vorbis comment of the first Vorbis stream (tag kind 8).
class TOggFile : public TAbstractAudioFile {
public:
    // Raises ESonvaleError "\"<name>\" is not a Ogg bitstream" when the file
    // is not an Ogg Vorbis stream, and the stream's open error when the file
    // cannot be opened.
    explicit TOggFile(const QString& fileName);
    ~TOggFile() override;

    int32_t GetBitrate() override;
    int32_t GetChannels() override;
    int64_t GetFileSize() override;
    int64_t GetPosition() override;
    int64_t GetPcmSize() override;
    int32_t GetSampleRate() override;
    int32_t GetBitsPerSample() override;
    uint8_t GetFormatCode() override;
    // Byte position in the PCM; goes to the sample that holds it.
    void Seek(int64_t position) override;
    bool IsSource() override;
    // Delivers decoded PCM until count bytes or the end (or a damaged spot);
    // the rest of the buffer is zero-filled.
    bool Read(void* buffer, int& count) override;
    // Kind 8, in one rewrite of the file. Removed: every user comment goes
    // (the vendor string stays). Written without a Compose: the lines of
    // Fields become the comments, and the file's other comments (pictures,
    // ReplayGain, MusicBrainz ids, ...) are kept behind them unless a line of
    // Fields has their name; the seven common fields (Comment, Artist, Album,
    // Title, Date, TrackNumber, Genre) are taken from Fields only, so one left
    // out is removed. A "Name=" line with an empty value is written as such.
    // False when the file cannot be opened for writing or is no Ogg Vorbis
    // stream that can be rewritten.
    bool ChangeTags(const TTagChange& change) override;

    int64_t PcmTotal = 0;
    int32_t CurrentSection = 0;

private:
    static size_t ReadCallback(void* ptr, size_t size, size_t count, void* source);
    static int SeekCallback(void* source, ogg_int64_t offset, int origin);
    static int CloseCallback(void* source);
    static long TellCallback(void* source);

    // Opens the library's decoder on the stream (at once when the file's start and end
    // could not describe it); false when it refuses the file.
    bool OpenDecoder();

    const TOggApi* Ogg; // libvorbisfile, loaded by the first Ogg file
    // Owned by the library's file state once opened: its close callback
    // frees it.
    TWFileStream* Stream = nullptr;
    OggVorbis_File VorbisFile{};
    int32_t Channels = 0;
    int64_t Rate = 0;
    int64_t BitrateNominal = 0;
    bool opened = false;
    // Set when the decoder reported a damaged stream (not a mere gap). The
    // library is not called to decode again: libvorbis retries a failed
    // decoder setup on the next call with half-built codebooks and divides
    // by zero.
    bool decoderFailed = false;
};

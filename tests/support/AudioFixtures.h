// Audio files made at test run time: byte-built WAVE/RIFF pieces, and real
// encoder output through libavcodec/libavformat and libvorbisenc, so tests read
// what actual encoders write rather than hand-made approximations.
#pragma once

#include "io/SonvaleError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

class TAbstractAudioFile;

namespace fixtures {

// Interleaved signed 16-bit PCM: a sine of `freq` Hz at `amplitude` (0..1 of full scale),
// every channel the same sine but channel c phase-shifted by c*0.5 rad so channels differ.
std::vector<int16_t> MakeSine(int sampleRate, int channels, double seconds, double freq = 1000.0,
                              double amplitude = 0.5);
// Deterministic pseudo-random noise (fixed seed) for stress. Same arguments, same samples,
// on every platform.
std::vector<int16_t> MakeNoise(int sampleRate, int channels, double seconds, double amplitude = 0.3,
                               uint32_t seed = 1);

// A canonical RIFF WAVE file (44-byte header: RIFF, "fmt " of 16 bytes, "data").
// bits 8 (unsigned), 16, 24 or 32 (signed PCM); samples are scaled from the 16-bit input.
// An odd-sized data chunk gets its pad byte (counted in the RIFF size, not the data size).
QByteArray MakeWave(int sampleRate, int channels, int bitsPerSample,
                    const std::vector<int16_t>& pcm);

// Little helpers for byte-built files.
void PutLE16(QByteArray& b, uint16_t v);
void PutLE32(QByteArray& b, uint32_t v);
void PutBE16(QByteArray& b, uint16_t v);
void PutBE32(QByteArray& b, uint32_t v);
// A RIFF chunk: id (4 chars), 32-bit size = body.size() unless sizeOverride >= 0, body,
// pad byte when the body is odd.
QByteArray Chunk(const char* id, const QByteArray& body, int64_t sizeOverride = -1);
// Writes the whole file, creating missing parent folders.
bool WriteFile(const QString& path, const QByteArray& bytes);
// The whole file, or empty when it cannot be read.
QByteArray ReadFile(const QString& path);

struct EncodeOptions {
    int sampleRate = 44100;
    int channels = 2;
    int bitrate = 128000; // bits per second (CBR/ABR); ignored for VBR
    double seconds = 1.0;
    double freq = 1000.0;    // sine frequency of the content (0 = noise)
    double amplitude = 0.5;  // of full scale
    bool vbr = false;        // MP3: libmp3lame VBR (quality vbrQuality); Ogg: quality mode
    int vbrQuality = 4;      // lame -V style 0..9; Ogg: q = (10 - vbrQuality)/10
    bool abr = false;        // MP3 ABR at `bitrate`
    bool jointStereo = true; // MP3 stereo mode when channels == 2
    bool xingHeader = true;  // MP3: write the Xing/Info frame (mp3 muxer write_xing)
    int id3v2Version = 0;    // MP3 muxer: 0 = no ID3v2 tag, 3 or 4 = write one
    // Short encoder version stored in the LAME extension of the Xing/Info frame (9 bytes at
    // most). Empty leaves the muxer's own "Lavf".
    QString xingEncoder = QStringLiteral("LAME3.100");
    std::vector<std::pair<QString, QString>> metadata; // tags passed to the muxer / Vorbis comments
};

// The PCM the encoders are fed for these options: MakeSine, or MakeNoise when freq is 0.
std::vector<int16_t> SourcePcm(const EncodeOptions& o);

// Each returns false and sets *error on failure. Files are made through libavcodec/libavformat
// (MP3 via libmp3lame, MP2, AC-3, WMA v2 in ASF) and libvorbisenc + libogg (Ogg Vorbis).
// Output is bit-exact: the same options give the same bytes.
bool EncodeMp3(const QString& path, const EncodeOptions& o, QString* error = nullptr);
bool EncodeMp2(const QString& path, const EncodeOptions& o, QString* error = nullptr);
bool EncodeAc3(const QString& path, const EncodeOptions& o, QString* error = nullptr);
bool EncodeWma(const QString& path, const EncodeOptions& o,
               QString* error = nullptr); // .wma (ASF), codec wmav2
bool EncodeOgg(const QString& path, const EncodeOptions& o,
               QString* error = nullptr); // libvorbisenc directly, one logical stream

// Decode any file FFmpeg can read to interleaved s16 at its own rate/channels (test oracle).
bool DecodeWithFfmpeg(const QString& path, std::vector<int16_t>& pcm, int* sampleRate = nullptr,
                      int* channels = nullptr, QString* error = nullptr);

// Directory of the shared conformance corpus, or empty when absent (tests GTEST_SKIP then).
QString CorpusDir();
// True when an external program is on PATH (for oracle tests that skip when absent).
bool HaveProgram(const QString& name);
// Run a program, return exit code (-1 if it could not start, crashed or timed out);
// capture stdout/stderr. Standard input is closed.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr,
               QByteArray* err = nullptr, int timeoutMs = 60000);

// The message of the error `make` raises; empty when it raises none.
template <class F> QString ErrorOf(F make) {
    try {
        make();
    } catch (const ESonvaleError& e) {
        return e.Message;
    }
    return QString();
}

// `frames` MPEG-1 layer III frames of digital silence, 128 kbit/s at 44.1 kHz (417 bytes
// each): the smallest audio a tag test or benchmark needs around its tags.
QByteArray SilentMp3Frames(int frames);

// Everything a reader's Read delivers, asking `chunk` bytes at a time.
std::vector<uint8_t> ReadAllBytes(TAbstractAudioFile& r, int chunk = 8192);
// The same as 16-bit samples.
std::vector<int16_t> ReadAllPcm16(TAbstractAudioFile& r, int chunk = 8192);
// Largest difference between two sample lists over their common length.
int MaxDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

} // namespace fixtures

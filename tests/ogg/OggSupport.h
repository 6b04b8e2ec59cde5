#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace oggtest {

// A Vorbis logical stream made with libvorbisenc: a sine per channel.
struct TEncodeSpec {
    int Rate = 44100;
    int Channels = 2;
    double Seconds = 1.0;
    float Quality = 0.3f;
    int Serial = 0x1234;
    QList<QByteArray> Comments;
    QByteArray Vendor; // empty: libvorbis's own
    // Audio pages of up to 64 KiB (as some muxers write) instead of 4 KiB.
    bool BigPages = false;
    // Leaves out the setup header (a damaged stream).
    bool DropSetup = false;
};
QByteArray EncodeVorbis(const TEncodeSpec& spec);

// One Ogg page as stored, parsed without libogg.
struct TPage {
    int64_t Offset = 0;
    int64_t Size = 0;
    uint8_t Flags = 0; // 1 continued, 2 first, 4 last
    int64_t Granule = 0;
    uint32_t Serial = 0;
    uint32_t Sequence = 0;
    bool CrcOk = false;
};
// Every page from the start; stops at the first byte that is not a page.
std::vector<TPage> ParsePages(const QByteArray& data);
// Recomputes the checksum of the page at `offset`.
void FixPageCrc(QByteArray& data, int64_t offset);

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& data);

bool HaveProgram(const QString& name);
// Exit code, or -1 when the program could not run.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr,
               QByteArray* err = nullptr);
// A python interpreter that imports mutagen, or empty.
QString MutagenPython();
// PCM of a file decoded by oggdec (16-bit signed little-endian), or empty.
QByteArray OggDecRaw(const QString& path);
// "NAME=value" lines as `vorbiscomment -l -R` lists them (UTF-8).
QStringList VorbisCommentList(const QString& path);

} // namespace oggtest

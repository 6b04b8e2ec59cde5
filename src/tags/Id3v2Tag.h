#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// One frame as it will be written into a version 2.3 tag: a four-letter
// identifier, version 2.3 flags and the body (unsynchronisation and the
// data-length indicator already undone). A frame read from a version 2.4 tag
// also keeps its bytes as stored, so that a 2.4 tag written back as 2.4 keeps
// it byte for byte.
struct TId3Frame {
    QByteArray Id;
    uint16_t Flags = 0;
    QByteArray Data;
    QByteArray Raw24; // header and body as stored in a 2.4 tag; empty otherwise
};

// An ID3v2 tag: parsed from its bytes (versions 2.2, 2.3 and 2.4) and
// rendered to bytes as version 2.3, or as 2.4 to keep a 2.4 tag 2.4.
// Rendering rebuilds the frames of the fields in Fields and carries every
// other frame of the parsed tag over unchanged. Placing the bytes in a file
// is the file-level writer's work.
class TId3V2Tag {
public:
    // The tag's total length on disk (header, body and footer) from its first
    // 10 bytes; 0 when they are no ID3v2 header.
    static int64_t DeclaredSize(const QByteArray& header);

    // Parses a tag from its bytes, header first; a tag cut short (its file
    // ends inside it) yields what is there. False when the bytes do not start
    // with a tag header.
    bool Parse(const QByteArray& tag);
    int64_t TagSize() const { return Present ? totalLength : 0; }

    // Frames as read, converted to four-letter identifiers.
    const std::vector<TId3Frame>& Frames() const { return frames; }
    // The text of every frame `id` read (text, URL and comment frames).
    QStringList FrameValues(const QByteArray& id) const;
    // A version 2.3 tag built from Fields and the frames read, without padding.
    QByteArray BuildTag() const;
    // A tag of `version` (3 or 4) built from Fields and the frames read; one
    // shorter than `fitTo` bytes is padded to exactly that length.
    QByteArray Render(int version, int64_t fitTo = 0) const;

    bool Present = false;
    int Version = 0; // major version found
    int TextEncoding = 1;
    QStringList Fields;

private:
    void Clear();
    void ParseBody(const QByteArray& body, uint8_t flags);
    // Keeps `keep` for writing and reads a field from `decode` when given.
    void AddFrame(const QByteArray& id, uint16_t flags, const QByteArray& keep,
                  const QByteArray* decode, const QByteArray& raw24 = {});

    int64_t totalLength = 0;
    std::vector<TId3Frame> frames;
    // Fields read from frames that are never written (TIT1, TOPE, ...),
    // so that a write does not turn their values into new frames.
    QHash<QString, QString> readOnlyValues;
    QHash<QString, bool> writtenIdSeen;
    QStringList primaryLines, secondaryLines;
    // The value read from the first frame of each identifier that is
    // written: a field whose value did not change keeps its frames as they
    // were (encoding, several values).
    QHash<QByteArray, QString> firstValueById;
};

// Helpers shared with the tests.
uint32_t Id3SyncSafe(const unsigned char* p);
// Size of the tag that the 10-byte header `h` opens (header and a 2.4 footer included);
// 0 when `h` is no ID3v2 header.
int64_t Id3v2TagSize(const unsigned char* h);
QByteArray Id3Unsynchronise(const QByteArray& data);
QByteArray Id3Resynchronise(const QByteArray& data); // undoes unsynchronisation
// "(17)", "(17)Rock", "17" and plain names, read as genre names.
QString Id3GenreText(const QString& value);

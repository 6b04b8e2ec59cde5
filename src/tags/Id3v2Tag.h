#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TWFileStream;

// One frame as it will be written into a version 2.3 tag: a four-letter
// identifier, version 2.3 flags and the body (unsynchronisation and the
// data-length indicator already undone).
struct TId3Frame {
    QByteArray Id;
    uint16_t Flags = 0;
    QByteArray Data;
};

// An ID3v2 tag at the start of a file: reads 2.2, 2.3 and 2.4, writes 2.3.
// Writing rebuilds the frames of the fields in Fields and carries every
// other frame of the old tag over unchanged.
class TId3V2Tag {
public:
    // True when the file could be read (tag or not); see Present.
    bool Open(const QString& fileName);
    // Reads a tag at the stream's position and restores the position.
    // True when a tag was found.
    bool ReadFromStream(TWFileStream& stream);
    // Rewrites the file's tag from Fields; in place when it fits in the old
    // tag's space. Raises ESonvaleError when the file cannot be written.
    bool Write();
    // Removes a tag found by the last read. Raises on failure.
    bool Remove();
    int64_t TagSize() const { return Present ? totalLength : 0; }

    // Frames as read, converted to four-letter identifiers.
    const std::vector<TId3Frame>& Frames() const { return frames; }
    // The text of every frame `id` read (text, URL and comment frames).
    QStringList FrameValues(const QByteArray& id) const;
    // The bytes of a new tag built from Fields and the frames read, without
    // padding (exposed for tests and the benchmark).
    QByteArray BuildTag() const;

    QString FileName;
    bool Present = false;
    int Version = 0; // major version found
    int TextEncoding = 1;
    QStringList Fields;

private:
    void Clear();
    void ParseBody(const QByteArray& body, uint8_t flags);
    // Keeps `keep` for writing and reads a field from `decode` when given.
    void AddFrame(const QByteArray& id, uint16_t flags, const QByteArray& keep,
                  const QByteArray* decode);

    int64_t tagStart = 0;
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

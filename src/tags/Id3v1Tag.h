#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// The genre table of ID3v1 (numbers 0..147).
constexpr int kGenreCount = 148;
// The table name of `number`, or the number in decimal outside 0..147.
QString GenreName(int number);
// A decimal number (low 8 bits), else the first table name equal to `text`
// ignoring case, else 255.
uint8_t GenreNumber(const QString& text);
// The 148 names in number order.
QStringList GenreNames();
// The genre names sorted without regard to letter case, as the genre boxes list them.
QStringList SortedGenreNames();

// The fixed 128-byte block at the very end of a file: parsed from and
// rendered to its bytes (the file-level writer places it).
class TId3V1Tag {
public:
    static constexpr int Size = 128;

    // Reads a block; Present when it starts with "TAG". False (nothing read)
    // when `block` is shorter than 128 bytes.
    bool Parse(const QByteArray& block);
    // The block for Fields.
    QByteArray Render() const;

    bool Present = false;
    int64_t Position = 0; // where the block stands in its file
    int MinorVersion = 0; // 1: ID3v1.0, 2: ID3v1.1
    QStringList Fields;
};

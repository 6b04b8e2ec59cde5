#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace mpegtest {

inline void PutWord(QByteArray& out, uint32_t word) {
    out.append(char(word >> 24))
        .append(char(word >> 16))
        .append(char(word >> 8))
        .append(char(word));
}

// One frame: the header word, then payload bytes that never form a sync word
// or "TAG" (0x55 pattern), filled to size bytes.
inline QByteArray Frame(uint32_t word, int size, char fill = 0x55) {
    QByteArray f;
    PutWord(f, word);
    f.append(QByteArray(size - 4, fill));
    return f;
}

// An ID3v2.3 tag of the given body size (all zero bytes: padding).
inline QByteArray Id3v2(uint32_t bodySize, bool footer = false) {
    QByteArray t("ID3\x03\x00", 5);
    t.append(char(footer ? 0x10 : 0));
    t.append(char((bodySize >> 21) & 0x7F)).append(char((bodySize >> 14) & 0x7F));
    t.append(char((bodySize >> 7) & 0x7F)).append(char(bodySize & 0x7F));
    return t;
}

inline bool Write(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(data) == data.size();
}

inline QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// MPEG-1 layer III, 128 kbit/s, 44100 Hz, stereo, no CRC: 417 bytes.
constexpr uint32_t kL3Word = 0xFFFB9000;
constexpr int kL3Size = 417;

} // namespace mpegtest

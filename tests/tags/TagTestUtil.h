#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace tagtest {

inline void WriteBytes(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("write");
    f.write(data);
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline QByteArray BE32(uint32_t v) {
    QByteArray b(4, '\0');
    b[0] = char(v >> 24), b[1] = char(v >> 16), b[2] = char(v >> 8), b[3] = char(v);
    return b;
}

inline QByteArray SyncSafe(uint32_t v) {
    QByteArray b(4, '\0');
    b[0] = char((v >> 21) & 0x7F), b[1] = char((v >> 14) & 0x7F), b[2] = char((v >> 7) & 0x7F),
    b[3] = char(v & 0x7F);
    return b;
}

inline QByteArray LE32(uint32_t v) {
    QByteArray b(4, '\0');
    b[0] = char(v), b[1] = char(v >> 8), b[2] = char(v >> 16), b[3] = char(v >> 24);
    return b;
}

// A frame of a 2.3/2.4 tag; `syncSafe` picks the size encoding.
inline QByteArray Frame(const char* id, const QByteArray& body, bool syncSafe = false,
                        uint16_t flags = 0) {
    QByteArray f(id, 4);
    f += syncSafe ? SyncSafe(uint32_t(body.size())) : BE32(uint32_t(body.size()));
    f += char(flags >> 8);
    f += char(flags);
    return f + body;
}

inline QByteArray Frame22(const char* id, const QByteArray& body) {
    QByteArray f(id, 3);
    f += char(body.size() >> 16);
    f += char(body.size() >> 8);
    f += char(body.size());
    return f + body;
}

// Encoding 0 text frame body.
inline QByteArray Latin1Text(const char* s) {
    return QByteArray(1, '\0') + QByteArray(s);
}

inline QByteArray Tag(int version, const QByteArray& frames, uint8_t flags = 0, int padding = 0) {
    QByteArray t("ID3");
    t += char(version);
    t += '\0';
    t += char(flags);
    t += SyncSafe(uint32_t(frames.size() + padding));
    return t + frames + QByteArray(padding, '\0');
}

// Bytes that look like nothing in particular (no "TAG", no "APETAGEX").
inline QByteArray Audio(int n = 4000) {
    QByteArray a(n, '\0');
    for (int i = 0; i < n; ++i)
        a[i] = char((i * 37 + 11) % 251);
    return a;
}

inline QByteArray Id3v1Block(const char* title, const char* artist, uint8_t track, uint8_t genre) {
    QByteArray b(128, '\0');
    std::memcpy(b.data(), "TAG", 3);
    std::memcpy(b.data() + 3, title, std::min<size_t>(30, strlen(title)));
    std::memcpy(b.data() + 33, artist, std::min<size_t>(30, strlen(artist)));
    b[126] = char(track);
    b[127] = char(genre);
    return b;
}

inline QByteArray ApeItem(const QByteArray& key, const QByteArray& value, uint32_t flags = 0) {
    return LE32(uint32_t(value.size())) + LE32(flags) + key + '\0' + value;
}

inline QByteArray ApeFooter(int itemsSize, int count, uint32_t flags) {
    return QByteArray("APETAGEX") + LE32(2000) + LE32(uint32_t(itemsSize) + 32) +
           LE32(uint32_t(count)) + LE32(flags) + QByteArray(8, '\0');
}

inline bool HaveTool(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program; returns its exit code (-1 when it did not start).
inline int Run(const QString& program, const QStringList& args, QString* out = nullptr,
               int timeoutMs = 60000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) return -1;
    p.waitForFinished(timeoutMs);
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

inline const char* kPython = "/usr/bin/python3";

inline bool HaveMutagen() {
    return Run(QString::fromLatin1(kPython),
               {QStringLiteral("-c"), QStringLiteral("import mutagen")}) == 0;
}

} // namespace tagtest

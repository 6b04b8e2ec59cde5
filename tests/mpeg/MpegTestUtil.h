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

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace mpegtest {

inline bool HaveTool(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program to completion; true when it exited with 0.
inline bool Run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out) *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A test tone through ffmpeg: "-f lavfi -i sine" then the given output
// options, into path.
inline bool FfmpegEncode(const QString& path, int rate, int channels, double seconds,
                         const QStringList& codecArgs) {
    QStringList args{
        "-v",
        "error",
        "-y",
        "-f",
        "lavfi",
        "-i",
        QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds),
        "-ac",
        QString::number(channels),
        "-ar",
        QString::number(rate)};
    args += codecArgs;
    args << path;
    return Run("ffmpeg", args);
}

struct TOracle {
    bool ok = false;
    double duration = 0; // seconds
    int64_t bitrate = 0;
    int rate = 0;
    int channels = 0;
    int64_t packets = 0;
};

inline TOracle Ffprobe(const QString& path) {
    TOracle o;
    QByteArray out;
    if (!Run("ffprobe",
             {"-v", "error", "-count_packets", "-select_streams", "a:0", "-show_entries",
              "stream=duration,bit_rate,sample_rate,channels,nb_read_packets", "-of", "json", path},
             &out))
        return o;
    QJsonObject s = QJsonDocument::fromJson(out).object()["streams"].toArray().at(0).toObject();
    o.duration = s["duration"].toString().toDouble();
    o.bitrate = s["bit_rate"].toString().toLongLong();
    o.rate = s["sample_rate"].toString().toInt();
    o.channels = s["channels"].toInt();
    o.packets = s["nb_read_packets"].toString().toLongLong();
    o.ok = o.rate > 0;
    return o;
}

inline TOracle Mutagen(const QString& path) {
    TOracle o;
    QByteArray out;
    const char* script = "import sys, json, mutagen.mp3 as m\n"
                         "i = m.MP3(sys.argv[1]).info\n"
                         "print(json.dumps([i.length, i.bitrate, i.sample_rate, i.channels]))\n";
    if (!Run("/usr/bin/python3", {"-c", script, path}, &out)) return o;
    QJsonArray a = QJsonDocument::fromJson(out).array();
    o.duration = a.at(0).toDouble();
    o.bitrate = a.at(1).toInteger();
    o.rate = a.at(2).toInt();
    o.channels = a.at(3).toInt();
    o.ok = o.rate > 0;
    return o;
}

} // namespace mpegtest

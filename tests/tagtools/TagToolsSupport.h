// Real audio files for the tag tools' tests, and mutagen as the outside reader.
#pragma once

#include "audio/FileTags.h"
#include "support/AudioFixtures.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tagtools {

// Short files keep the tests quick; the readers only need a few frames.
inline fixtures::EncodeOptions SmallAudio(const QString& title = {}, const QString& track = {}) {
    fixtures::EncodeOptions o;
    o.sampleRate = 22050;
    o.channels = 1;
    o.bitrate = 32000;
    o.seconds = 0.3;
    if (!title.isEmpty()) o.metadata.push_back({QStringLiteral("title"), title});
    if (!track.isEmpty()) o.metadata.push_back({QStringLiteral("track"), track});
    return o;
}

// An MP3 from libmp3lame; with a title or track it starts with an ID3v2.3 tag.
inline QString MakeMp3(const QDir& dir, const QString& name, const QString& title = {},
                       const QString& track = {}) {
    const QString path = dir.filePath(name);
    fixtures::EncodeOptions o = SmallAudio(title, track);
    if (!o.metadata.empty()) o.id3v2Version = 3;
    QString error;
    if (!fixtures::EncodeMp3(path, o, &error)) ADD_FAILURE() << error.toStdString();
    return path;
}

// An Ogg Vorbis file from libvorbisenc with the title as a Vorbis comment.
inline QString MakeOgg(const QDir& dir, const QString& name, const QString& title = {}) {
    const QString path = dir.filePath(name);
    QString error;
    if (!fixtures::EncodeOgg(path, SmallAudio(title), &error)) ADD_FAILURE() << error.toStdString();
    return path;
}

inline QString MakeWav(const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    fixtures::WriteFile(path, fixtures::MakeWave(8000, 1, 16, fixtures::MakeSine(8000, 1, 0.2)));
    return path;
}

inline QStringList Unified(const QString& path) {
    QStringList u;
    EXPECT_TRUE(ReadFileTags(path, u)) << path.toStdString();
    return u;
}

inline QString U(const QString& path, const char* name) {
    return FieldValue(Unified(path), QString::fromLatin1(name));
}

inline void SetReadOnly(const QString& path) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
}

inline bool HaveMutagen() {
    static const int rc =
        fixtures::RunProgram(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QStringLiteral("import mutagen")});
    return rc == 0;
}

// Runs a mutagen script with the file as sys.argv[1] and returns the JSON it prints.
inline QJsonObject Mutagen(const QString& path, const char* script) {
    QByteArray out, err;
    const int rc =
        fixtures::RunProgram(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QString::fromUtf8(script), path}, &out, &err);
    EXPECT_EQ(rc, 0) << err.toStdString();
    return QJsonDocument::fromJson(out).object();
}

// Every key of the file's tag with its first value as text ("easy" names: title,
// tracknumber, artist...).
inline const char* const kEasyTags = R"PY(
import sys, json, mutagen
f = mutagen.File(sys.argv[1], easy=True)
print(json.dumps({k: v[0] for k, v in (f.tags or {}).items()}))
)PY";

// Remembers what a tool did with its progress.
class TRecordingProgress : public TProgress {
public:
    int Maximum = -100;
    QList<int> Positions;
    void SetRange(int maximum) override { Maximum = maximum; }
    void SetPosition(int position) override { Positions.append(position); }
};

} // namespace tagtools

namespace tagtools {

// Asks to stop once `stopAfter` files were shown, as a Cancel click during that file would.
class TStoppingProgress : public TRecordingProgress {
public:
    explicit TStoppingProgress(int stopAfter) : FStopAfter(stopAfter) {}
    QStringList Items; // "N / total path"
    void SetItem(int number, int total, const QString& path) override {
        Items.append(QStringLiteral("%1 / %2 %3").arg(number).arg(total).arg(path));
    }
    bool Cancelled() const override { return Items.size() >= FStopAfter; }

private:
    int FStopAfter;
};

} // namespace tagtools

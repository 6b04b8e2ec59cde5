// Tagged songs from a real encoder and muxer, and snapshots of folders, for the
// organizer's and magic folder's tests.
#pragma once

#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"

#include <QDirIterator>
#include <QMap>
#include <sys/stat.h>

// Failures show paths as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace organize {

using TTags = std::vector<std::pair<QString, QString>>;

// An MP3 whose ID3v2.3 tag holds `tags` (artist, album, title, track...), written by
// libavformat's muxer; missing folders are made.
inline QString Song(const QDir& dir, const QString& relative, const TTags& tags) {
    const QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    fixtures::EncodeOptions o = tagtools::SmallAudio();
    o.metadata = tags;
    o.id3v2Version = 3;
    QString error;
    if (!fixtures::EncodeMp3(path, o, &error)) ADD_FAILURE() << error.toStdString();
    return path;
}

// Every regular file below `root` (links not followed) with its bytes, by relative path.
inline QMap<QString, QByteArray> Files(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (!it.fileInfo().isSymLink())
            files.insert(QDir(root).relativeFilePath(f), fixtures::ReadFile(f));
    }
    return files;
}

inline bool SameDevice(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a), &sa) == 0 && ::stat(QFile::encodeName(b), &sb) == 0 &&
           sa.st_dev == sb.st_dev;
}

} // namespace organize

#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>

// `count` copies of `content` (or file i holding content(i)) in a temporary folder, a
// thousand to a subfolder ("d00/00000.mp3", ...), for runs at collection scale.
struct TNumberedFiles {
    QTemporaryDir dir;
    QStringList files;
    TNumberedFiles(int count, const QByteArray& content)
        : TNumberedFiles(count, [&content](int) { return content; }) {}
    TNumberedFiles(int count, const std::function<QByteArray(int)>& content) {
        for (int i = 0; i < count; ++i) {
            const QString sub = dir.filePath(QString::asprintf("d%02d", i / 1000));
            QDir().mkpath(sub);
            const QString path = sub + QString::asprintf("/%05d.mp3", i);
            QFile f(path);
            const QByteArray bytes = content(i);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
            files << path;
        }
    }
};

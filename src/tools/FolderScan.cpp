#include "tools/FolderScan.h"

#include "audio/AudioHelpers.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

QString ListPathExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return QString();
    const QString ext = path.mid(dot + 1);
    if (ext.contains(QLatin1Char(':')) || ext.contains(QLatin1Char('\\')) ||
        ext.contains(QLatin1Char('/')))
        return QString();
    return ext;
}

bool IsListablePath(const QString& path) {
    return path.size() > 3 && IsSupportedExtension(ListPathExtension(path));
}

namespace {

bool Walk(const QString& folder, bool recurse, const TFolderScanHooks& hooks) {
    if (hooks.Folder) hooks.Folder(folder);
    QString prefix = folder;
    if (!prefix.isEmpty() && !prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
    QDirIterator it(folder.isEmpty() ? QStringLiteral(".") : folder,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString path = prefix + info.fileName();
        if (info.isDir()) {
            if (recurse && !info.isSymLink() && !Walk(path, recurse, hooks)) return false;
            continue;
        }
        if (hooks.File) hooks.File(path);
        if (hooks.Cancelled && hooks.Cancelled()) return false;
    }
    return true;
}

} // namespace

bool ScanFolder(const QString& folder, bool recurse, const TFolderScanHooks& hooks) {
    return Walk(folder, recurse, hooks);
}

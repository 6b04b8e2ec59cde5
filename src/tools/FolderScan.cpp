#include "tools/FolderScan.h"

#include "audio/AudioHelpers.h"

#include <QDir>
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
    // Entries in name order, letter case ignored, as the Windows file system lists them:
    // the order of a folder becomes track numbers in the taggers, and the raw order of
    // other file systems (hashed on ext4) would number an album at random.
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : entries) {
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

#include "tools/FolderScan.h"

#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"

#include <algorithm>
#include <vector>

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
    // other file systems (hashed on ext4) would number an album at random. The file
    // helpers' own listing keeps names that are not valid UTF-8 reachable.
    struct TEntry {
        QString name;
        bool walk; // a folder that is not a link
        bool folder;
    };
    std::vector<TEntry> entries;
    std::vector<TFolderEntry> listed;
    ListFolder(folder, listed);
    entries.reserve(listed.size());
    for (TFolderEntry& e : listed)
        entries.push_back({std::move(e.Name), e.Folder && !e.Link, e.Folder});
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    for (const TEntry& e : entries) {
        const QString path = prefix + e.name;
        if (e.folder) {
            if (recurse && e.walk && !Walk(path, recurse, hooks)) return false;
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

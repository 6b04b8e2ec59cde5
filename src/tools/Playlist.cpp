#include "tools/Playlist.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "lang/TextStorage.h"
#include "tools/Random.h"
#include "tools/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool IsAbsolute(const QString& entry) {
    return entry.startsWith(kPathDelim);
}

// "http://...", "file:///..."; a drive letter ("C:/") is no scheme.
bool IsUrl(const QString& entry) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(entry).hasMatch();
}

bool IsFileUrl(const QString& entry) {
    return entry.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

void AddEntry(QStringList& entries, const QString& entry) {
    if (entries.size() >= kMaxPlaylistEntries)
        throw ESonvaleError(
            Tr("Playlist too large (more than %1 entries)").arg(kMaxPlaylistEntries));
    entries.append(entry);
}

QStringList ParseM3u(const QByteArray& bytes) {
    QStringList entries;
    ForEachTextLine(bytes, [&](const QString& line) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) AddEntry(entries, line);
    });
    return entries;
}

// A PLS value as a full path: relative ones lie in the playlist's folder.
QString PlsFullPath(const QString& value, const QString& folder) {
    if (value.isEmpty() || IsUrl(value) || IsFileUrl(value)) return value;
    const QString resolved = ResolvePlaylistEntry(value, folder);
    if (IsAbsolute(resolved)) return QDir::cleanPath(resolved);
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    if (drive.match(value).hasMatch() || value.startsWith(QLatin1String("\\\\"))) return value;
    return QDir::cleanPath(WideIncludeTrailingBackslash(folder) + value);
}

QStringList ParsePls(const QByteArray& bytes, const QString& folder) {
    QStringList entries;
    ForEachTextLine(bytes, [&](const QString& line) {
        // "fileN=" with the "=" at the sixth character or later.
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.size() < 7 || eq < 5 ||
            !line.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
            return;
        AddEntry(entries, PlsFullPath(line.mid(eq + 1), folder));
    });
    return entries;
}

QStringList ParseXpl(const QByteArray& bytes) {
    QStringList entries;
    const QString text = DecodeText(bytes);
    const qsizetype open = text.indexOf(QLatin1String("<xpl>"));
    const qsizetype close = text.indexOf(QLatin1String("</xpl>"));
    if (open < 0 || close < 0) return entries;
    const QLatin1String fileScheme("file://");
    qsizetype from = open;
    for (;;) {
        const qsizetype entry = text.indexOf(QLatin1String("<Entry>"), from);
        if (entry < 0) break;
        const qsizetype end = text.indexOf(QLatin1String("</Entry>"), entry);
        if (end < 0) break;
        from = end;
        const qsizetype url = text.indexOf(QLatin1String("<URL>"), entry);
        const qsizetype urlEnd = url < 0 ? -1 : text.indexOf(QLatin1String("</URL>"), url);
        if (url >= 0 && url < end && urlEnd >= 0 && urlEnd < end) {
            // The "file://" that players put before a path; what the writer stored without
            // one comes back whole.
            QString value = text.mid(url + 5, urlEnd - url - 5);
            if (value.startsWith(fileScheme, Qt::CaseInsensitive))
                value.remove(0, fileScheme.size());
            AddEntry(entries, value);
        }
        if (entry > close || end > close) break;
    }
    return entries;
}

} // namespace

QString PlaylistFormatKey(const QString& path) {
    const QString key = WideExtractFileExt(path, true).toLower();
    return key == QLatin1String("m3u8") ? QStringLiteral("m3u") : key;
}

bool IsPlaylistFormatKey(const QString& key) {
    return key == QLatin1String("m3u") || key == QLatin1String("pls") ||
           key == QLatin1String("xpl");
}

QStringList ParsePlaylist(const QByteArray& bytes, const QString& key, const QString& folder) {
    if (key == QLatin1String("m3u")) return ParseM3u(bytes);
    if (key == QLatin1String("pls")) return ParsePls(bytes, folder);
    if (key == QLatin1String("xpl")) return ParseXpl(bytes);
    return {};
}

void ReadPlaylist(const QString& path, QStringList& entries) {
    entries.clear();
    TWFileStream file(path, fmOpenRead | fmShareDenyNone);
    const int64_t size = file.GetSize();
    if (size > kMaxPlaylistBytes) throw ESonvaleError(Tr("Playlist too large: %1").arg(path));
    const QString key = PlaylistFormatKey(path);
    if (!IsPlaylistFormatKey(key)) return;
    entries = ParsePlaylist(file.ReadBytesAt(0, size), key, QFileInfo(path).absolutePath());
}

bool WritePlaylist(const QString& key, const QStringList& entries, QByteArray& stream) {
    const QString k =
        key.toLower() == QLatin1String("m3u8") ? QStringLiteral("m3u") : key.toLower();
    if (!IsPlaylistFormatKey(k)) return false;
    if (entries.isEmpty()) return true;
    if (k == QLatin1String("m3u")) {
        for (const QString& e : entries)
            AppendTextLine(stream, e);
    } else if (k == QLatin1String("pls")) {
        AppendTextLine(stream, QStringLiteral("[playlist]"));
        for (qsizetype i = 0; i < entries.size(); ++i)
            AppendTextLine(stream, QStringLiteral("file%1=").arg(i + 1) + entries[i]);
        AppendTextLine(stream, QStringLiteral("NumberOfEntries=%1").arg(entries.size()));
        AppendTextLine(stream, QStringLiteral("Version=2"));
    } else {
        AppendTextLine(stream, QStringLiteral("<xpl>"));
        for (const QString& e : entries) {
            AppendTextLine(stream, QStringLiteral("\t<Entry>"));
            AppendTextLine(stream, QStringLiteral("\t\t<URL>") + e + QStringLiteral("</URL>"));
            AppendTextLine(stream, QStringLiteral("\t</Entry>"));
        }
        AppendTextLine(stream, QStringLiteral("</xpl>"));
        AppendTextLine(stream, QStringLiteral("<?xpl version=1.0 ?>"));
    }
    return true;
}

QString ResolvePlaylistEntry(const QString& entry, const QString& folder) {
    if (entry.isEmpty()) return entry;
    QString local = entry;
    if (IsFileUrl(entry)) {
        const QUrl url(entry);
        if (!url.isLocalFile()) return entry;
        local = url.toLocalFile();
    } else if (IsUrl(entry)) {
        return entry;
    }
    const QString base = WideIncludeTrailingBackslash(folder);
    QStringList forms{local};
    if (local.contains(QLatin1Char('\\')))
        forms.append(QString(local).replace(QLatin1Char('\\'), kPathDelim));
    for (const QString& form : forms) {
        if (IsAbsolute(form) && WideFileExists(form)) return QDir::cleanPath(form);
        QString below = form;
        if (below.startsWith(kPathDelim) || below.startsWith(QLatin1Char('\\'))) below.remove(0, 1);
        if (base.isEmpty()) continue;
        const QString candidate = QDir::cleanPath(base + below);
        if (WideFileExists(candidate)) return candidate;
    }
    return IsFileUrl(entry) ? local : entry;
}

QString MakeRelativeEntry(const QString& path, const QString& base) {
    if (!IsAbsolute(path) || !IsAbsolute(base)) return path;
    const QStringList baseParts = base.split(kPathDelim, Qt::SkipEmptyParts);
    const QStringList pathParts = WideExtractFileDir(path).split(kPathDelim, Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < baseParts.size() && common < pathParts.size() &&
           baseParts[common] == pathParts[common])
        ++common;
    QString relative;
    for (qsizetype i = common; i < baseParts.size(); ++i)
        relative += QStringLiteral("../");
    for (qsizetype i = common; i < pathParts.size(); ++i)
        relative += pathParts[i] + kPathDelim;
    return relative + WideExtractFileName(path);
}

void ShuffleList(QStringList& items) {
    const qsizetype n = items.size();
    for (qsizetype i = 0; i < n; ++i)
        items.swapItemsAt(i, qsizetype(RandomBelow(uint32_t(n - 1))));
}

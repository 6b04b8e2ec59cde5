#pragma once
// The playlist formats M3U, PLS and XPL, read and written in one place, and the rules
// that turn a stored entry into a path and a path into a relative entry.

#include <QByteArray>
#include <QString>
#include <QStringList>

// The format key of a playlist path: its extension in lower case ("m3u", "pls", "xpl";
// "m3u8" reads and writes as "m3u").
QString PlaylistFormatKey(const QString& path);
bool IsPlaylistFormatKey(const QString& key);

// Largest playlist read, in bytes and in entries: far beyond real playlists, small
// enough that a damaged or foreign file cannot exhaust the memory.
inline constexpr qint64 kMaxPlaylistBytes = qint64(64) << 20;
inline constexpr qsizetype kMaxPlaylistEntries = 2000000;

// Empties `entries` and fills them from the file, in file order. Relative PLS entries
// come back as full paths in the playlist's folder; XPL URLs lose their "file://".
// An unknown format key gives no entries. Raises EFOpenError when the file cannot be
// opened, ESonvaleError when it is too large or holds no text.
void ReadPlaylist(const QString& path, QStringList& entries);
// The same from the file's bytes, for the format `key` of a playlist in `folder`.
QStringList ParsePlaylist(const QByteArray& bytes, const QString& key, const QString& folder);

// Appends the playlist image (UTF-8, CR LF after every line) to `stream`. Nothing for an
// empty list; false, with nothing written, for an unknown key.
bool WritePlaylist(const QString& key, const QStringList& entries, QByteArray& stream);

// The path to use for an entry of a playlist stored in `folder`: the first existing file
// among the entry as an absolute path, the entry below the folder (a leading separator
// dropped, ".." resolved), and both again with "\" read as the folder separator (lists
// made on Windows). A "file:" URL is its local path. The entry unchanged when none exists.
QString ResolvePlaylistEntry(const QString& entry, const QString& folder);

// `path` relative to `base` (a folder): "name.mp3" in the folder itself, "../Other/x.mp3"
// beside it. Names are compared with their letter case, as the file system does. What is
// not an absolute path (a URL, an entry that never resolved) stays as it is.
QString MakeRelativeEntry(const QString& path, const QString& base);

// For i = 0 ... n-1 in turn, exchanges item i with item RandomBelow(n - 1).
void ShuffleList(QStringList& items);

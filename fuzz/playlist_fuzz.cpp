// M3U, PLS and XPL playlists: the first byte picks the format, the rest is the file.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "tools/Playlist.h"

SONVALE_FUZZ_TARGET(playlist) {
    if (size == 0) return;
    static const char* const keys[] = {"m3u", "pls", "xpl"};
    const QString key = QLatin1String(keys[data[0] % 3]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        const QStringList entries = ParsePlaylist(bytes, key, QStringLiteral("/nonexistent/lists"));
        QByteArray image;
        WritePlaylist(key, entries, image);
    } catch (const ESonvaleError&) {
    }
}

#include "SettingsValues.h"

#include "Platform.h"

#include <QSettings>
#include <QVariant>

namespace {
// A stored value as text; lists and other non-text types count as missing.
bool StoredText(QSettings& s, const QString& key, QString& out) {
    if (!s.contains(key)) return false;
    const QVariant v = s.value(key);
    if (!v.canConvert<QString>() || v.typeId() == QMetaType::QStringList ||
        v.typeId() == QMetaType::QVariantList)
        return false;
    out = v.toString();
    return true;
}

void LoadText(QSettings& s, const QString& key, QString& field) {
    QString t;
    if (StoredText(s, key, t)) field = t;
}

void LoadFlag(QSettings& s, const QString& key, bool& field) {
    QString t;
    if (StoredText(s, key, t)) field = t == QLatin1String("1");
}

QString Flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

bool SettingsFlag(const QVariant& stored) {
    return stored.typeId() != QMetaType::QStringList && stored.toString() == QLatin1String("1");
}

void LoadSettingsValues(QSettings& s, TSettingsValues& v) {
    if (!v.FreeDBServers.isEmpty()) {
        QString wanted = v.FreeDBServers.first();
        LoadText(s, QStringLiteral("FreeDB_Server"), wanted);
        v.FreeDBServerIndex = 0;
        for (int i = 0; i < v.FreeDBServers.size(); ++i)
            if (v.FreeDBServers.at(i).compare(wanted, Qt::CaseInsensitive) == 0) {
                v.FreeDBServerIndex = i;
                break;
            }
    } else {
        v.FreeDBServerIndex = -1;
    }
    LoadText(s, QStringLiteral("FreeDB_CGIPath"), v.FreeDBCGIPath);
    LoadFlag(s, QStringLiteral("FreeDB_UseProxy"), v.FreeDBUseProxy);
    LoadText(s, QStringLiteral("FreeDB_ProxyServer"), v.FreeDBProxyServer);
    QString t;
    v.FreeDBProxyPort = 80;
    if (StoredText(s, QStringLiteral("FreeDB_ProxyPort"), t)) {
        bool ok = false;
        const int port = t.trimmed().toInt(&ok);
        // A number that is no port number is as good as no number.
        if (ok && port >= 0 && port <= 65535) v.FreeDBProxyPort = port;
    }
    LoadText(s, QStringLiteral("FreeDB_ProxyName"), v.FreeDBProxyName);
    LoadText(s, QStringLiteral("FreeDB_ProxyPass"), v.FreeDBProxyPass);
    LoadText(s, QStringLiteral("FreeDB_Email"), v.FreeDBEmail);
    LoadText(s, QStringLiteral("FreeDB_SearchSite"), v.FreeDBSearchSite);
    LoadText(s, QStringLiteral("MusicBrainz_Server"), v.MusicBrainzServer);
    if (StoredText(s, QStringLiteral("Lookup_Source"), t)) {
        bool ok = false;
        const int source = t.trimmed().toInt(&ok);
        if (ok && source >= 0 && source <= 2) v.LookupSource = source;
    }
    LoadFlag(s, QStringLiteral("DisableAssistant"), v.DisableAssistant);
    LoadText(s, QStringLiteral("Rename_Pattern"), v.RenamePattern);
    if (StoredText(s, QStringLiteral("Rename_TagMask"), t)) {
        bool ok = false;
        const int mask = t.trimmed().toInt(&ok);
        if (ok) v.RenameTagMask = mask;
    }
    LoadFlag(s, QStringLiteral("Playlist_Relative"), v.PlaylistRelative);
    LoadText(s, QStringLiteral("Playlist_Pattern"), v.PlaylistPattern);
    v.PlaylistDirMode = 0;
    if (StoredText(s, QStringLiteral("Playlist_DirMode"), t)) {
        bool ok = false;
        const int mode = t.trimmed().toInt(&ok);
        if (ok && (mode == 1 || mode == 2)) v.PlaylistDirMode = mode;
    }
    LoadText(s, QStringLiteral("Playlist_UserDefinedDir"), v.PlaylistUserDefinedDir);
    LoadText(s, QStringLiteral("Organizer_BaseDir"), v.OrganizerBaseDir);
    LoadText(s, QStringLiteral("Organizer_RenamePattern"), v.OrganizerRenamePattern);
    LoadText(s, QStringLiteral("Organizer_SubDirPattern"), v.OrganizerSubDirPattern);
    LoadText(s, QStringLiteral("Playback_CommandLine"), v.PlaybackCommandLine);
    LoadText(s, QStringLiteral("Burnhaven"), v.Burnhaven);
}

void SaveSettingsValues(QSettings& s, const TSettingsValues& v) {
    if (v.FreeDBServerIndex >= 0 && v.FreeDBServerIndex < v.FreeDBServers.size())
        s.setValue(QStringLiteral("FreeDB_Server"), v.FreeDBServers.at(v.FreeDBServerIndex));
    s.setValue(QStringLiteral("FreeDB_CGIPath"), v.FreeDBCGIPath);
    s.setValue(QStringLiteral("FreeDB_UseProxy"), Flag(v.FreeDBUseProxy));
    s.setValue(QStringLiteral("FreeDB_ProxyServer"), v.FreeDBProxyServer);
    s.setValue(QStringLiteral("FreeDB_ProxyPort"), QString::number(v.FreeDBProxyPort));
    s.setValue(QStringLiteral("FreeDB_ProxyName"), v.FreeDBProxyName);
    s.setValue(QStringLiteral("FreeDB_ProxyPass"), v.FreeDBProxyPass);
    s.setValue(QStringLiteral("Rename_Pattern"), v.RenamePattern);
    s.setValue(QStringLiteral("Rename_TagMask"), v.RenameTagMask & 15);
    s.setValue(QStringLiteral("Playlist_Relative"), Flag(v.PlaylistRelative));
    s.setValue(QStringLiteral("Playlist_Pattern"), v.PlaylistPattern);
    const int mode = (v.PlaylistDirMode == 1 || v.PlaylistDirMode == 2) ? v.PlaylistDirMode : 0;
    s.setValue(QStringLiteral("Playlist_DirMode"), QString::number(mode));
    s.setValue(QStringLiteral("Playlist_UserDefinedDir"), v.PlaylistUserDefinedDir);
    s.setValue(QStringLiteral("Organizer_BaseDir"), v.OrganizerBaseDir);
    s.setValue(QStringLiteral("Organizer_RenamePattern"), v.OrganizerRenamePattern);
    s.setValue(QStringLiteral("Organizer_SubDirPattern"), v.OrganizerSubDirPattern);
    s.setValue(QStringLiteral("Playback_CommandLine"), v.PlaybackCommandLine);
    s.setValue(QStringLiteral("DisableAssistant"), Flag(v.DisableAssistant));
    s.setValue(QStringLiteral("Burnhaven"), v.Burnhaven);
    s.setValue(QStringLiteral("FreeDB_Email"), v.FreeDBEmail);
    s.setValue(QStringLiteral("FreeDB_SearchSite"), v.FreeDBSearchSite);
    s.setValue(QStringLiteral("MusicBrainz_Server"), v.MusicBrainzServer);
    s.setValue(QStringLiteral("Lookup_Source"), QString::number(v.LookupSource));
    platform::SyncSettings(s);
}

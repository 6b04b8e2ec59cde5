#include "tools/LookupSettings.h"

#include "platform/Platform.h"
#include "tools/AlbumRenamer.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

TLookupConfig LookupConfigFromSettings(const TSettingsValues& v) {
    TLookupConfig c;
    c.Source = TLookupSource(std::clamp(v.LookupSource, 0, 2));
    if (v.FreeDBServerIndex >= 0 && v.FreeDBServerIndex < v.FreeDBServers.size())
        c.Server = v.FreeDBServers.at(v.FreeDBServerIndex);
    c.CgiPath = v.FreeDBCGIPath;
    c.SearchSite = v.FreeDBSearchSite.trimmed().isEmpty() ? kDefaultSearchSite : v.FreeDBSearchSite;
    c.MusicBrainzServer = v.MusicBrainzServer;
    c.Email = v.FreeDBEmail;
    return c;
}

TSettingsValues LoadStoredSettings() {
    TSettingsValues v;
    const QString serverFile = QDir(platform::DataFolder()).filePath(QStringLiteral("freedb.lst"));
    if (QFileInfo::exists(serverFile)) v.FreeDBServers = platform::ReadServerList(serverFile);
    auto store = platform::OpenSettings();
    if (store->status() != QSettings::AccessError) LoadSettingsValues(*store, v);
    return v;
}

void StoreLookupEmail(const QString& email) {
    auto store = platform::OpenSettings();
    if (!store->isWritable() || store->status() == QSettings::AccessError) return;
    store->setValue(QStringLiteral("FreeDB_Email"), email);
    platform::SyncSettings(*store);
}

void AlbumOptionsFromSettings(const TSettingsValues& v, TAlbumRenamerOptions& o) {
    o.Pattern = v.RenamePattern;
    o.TagMask = v.RenameTagMask;
    o.PlaylistPattern = v.PlaylistPattern;
    o.PlaylistDirMode = v.PlaylistDirMode;
    o.PlaylistFolder = v.PlaylistUserDefinedDir;
    o.PlaylistRelative = v.PlaylistRelative;
}

bool IsPlausibleEmail(const QString& email) {
    const QString e = email.trimmed();
    const qsizetype at = e.indexOf(QLatin1Char('@'));
    return at > 0 && e.indexOf(QLatin1Char('@'), at + 1) < 0 && !e.contains(QLatin1Char(' ')) &&
           e.indexOf(QLatin1Char('.'), at) > at + 1 && !e.endsWith(QLatin1Char('.'));
}

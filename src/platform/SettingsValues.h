#pragma once
// The stored settings shared by several tools, widget-free. The settings page
// copies its controls into this struct and back; loading applies the defaults
// and the tolerant parsing of stored text.
#include <QString>
#include <QStringList>

class QSettings;

struct TSettingsValues {
    QStringList FreeDBServers;  // from freedb.lst, in file order
    int FreeDBServerIndex = -1; // -1: none selected (empty list)
    QString FreeDBCGIPath = QStringLiteral("/~cddb/cddb.cgi");
    bool FreeDBUseProxy = false;
    QString FreeDBProxyServer;
    int FreeDBProxyPort = 80;
    QString FreeDBProxyName;
    QString FreeDBProxyPass;
    // The album lookup beyond the classic FreeDB: the user's e-mail for the CDDB greeting
    // and the MusicBrainz contact, the keyword search site, the last source chosen.
    QString FreeDBEmail;
    QString FreeDBSearchSite = QStringLiteral("www.freedb.org");
    int LookupSource = 2; // 0 FreeDB keyword search, 1 CDDB disc ID, 2 MusicBrainz
    QString MusicBrainzServer = QStringLiteral("https://musicbrainz.org");
    bool DisableAssistant = false;
    QString RenamePattern = QStringLiteral("%1 - %3 - %6 - %2");
    int RenameTagMask = 31;
    bool PlaylistRelative = false;
    QString PlaylistPattern = QStringLiteral("%1 - %3");
    int PlaylistDirMode = 0; // 0 album folder, 1 parent folder, 2 given folder
    QString PlaylistUserDefinedDir;
    QString OrganizerBaseDir;
    QString OrganizerRenamePattern = QStringLiteral("%1 - %3 - %2");
    QString OrganizerSubDirPattern = QStringLiteral("%1");
    QString PlaybackCommandLine;
    QString Burnhaven; // the burning program: its folder, its path, or a command with "%1"
};

// Reads every value from store (already in the program's group) over the
// defaults in values; servers must already hold the server list. Garbage of any
// type falls back to the default.
void LoadSettingsValues(QSettings& store, TSettingsValues& values);
// Writes every value in the fixed order. "FreeDB_Server" only with a selection.
void SaveSettingsValues(QSettings& store, const TSettingsValues& values);

// Only "1" means on.
bool SettingsFlag(const QVariant& stored);

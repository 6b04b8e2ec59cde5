#pragma once
// What the lookup and album commands share: the lookup options and the fetch of a pick.

#include "net/AlbumLookup.h"
#include "platform/SettingsValues.h"

#include <QJsonObject>

class THttpClient;

struct TLookupCliOptions {
    TLookupCliOptions();
    TSettingsValues Settings; // the stored settings: servers, proxy, e-mail
    TLookupConfig Config;
    bool HaveSource = false;
    int Pick = 0; // 1-based; 0: none
    int TimeoutSeconds = 30;
    QString Problem; // why Take refused a value

    // Takes --source, --server, --email, --timeout or --pick; false for another option or
    // a bad value (Problem then says why).
    bool Take(const QString& name, const QString& value);
    // Time-out and proxy of the settings on the client; a warning when no contact is set.
    void Prepare(THttpClient& client) const;
};

// Durations of the album files of `folder` for the disc ID; false (told) when there are none.
bool LookupFolderDurations(const QString& folder, QList<int32_t>& durations);
// Fetches result Pick of `matches`; false (told) when it is out of range or failed.
bool FetchPick(const TLookupCliOptions& options, const QList<TLookupMatch>& matches,
               const TLookupTransfer& transfer, TAlbumDetails& details);
QJsonObject AlbumJson(const TAlbumDetails& details);

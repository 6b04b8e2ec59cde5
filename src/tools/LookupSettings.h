#pragma once
// The album lookup's configuration as the settings hold it.

#include "net/AlbumLookup.h"
#include "platform/SettingsValues.h"

struct TAlbumRenamerOptions;

// Source, servers, CGI path and e-mail from the settings.
TLookupConfig LookupConfigFromSettings(const TSettingsValues& values);

// The stored settings with the server list beside the program, as the settings page
// loads them: for callers without that page (the command line).
TSettingsValues LoadStoredSettings();
// Keeps the e-mail the user gave at a lookup.
void StoreLookupEmail(const QString& email);

// The album renamer's options that come from the settings: pattern, tag kinds, playlist.
void AlbumOptionsFromSettings(const TSettingsValues& values, TAlbumRenamerOptions& options);

// A plausible e-mail address: something@something.something, no spaces.
bool IsPlausibleEmail(const QString& email);

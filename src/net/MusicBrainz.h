#pragma once
// The MusicBrainz web service, version 2, in JSON: a release search by words and one
// release with its recordings.

#include "net/FreeDB.h"

QString MusicBrainzSearchUrl(const QString& base, const QString& words, int limit = 25);
QString MusicBrainzReleaseUrl(const QString& base, const QString& releaseId);
// The service asks every client to name itself, its version and a contact.
QString MusicBrainzUserAgent(const QString& version, const QString& contact);
// Milliseconds to wait before the next request so that at most one goes out per second;
// counts that request as sent.
int MusicBrainzRequestDelay();

// Releases as results ("Artist / Title (year, n tracks)"); an error when the reply is no
// search result.
QList<TLookupMatch> ParseMusicBrainzSearch(const QByteArray& json, QString* error);
TAlbumDetails ParseMusicBrainzRelease(const QByteArray& json, QString* error);

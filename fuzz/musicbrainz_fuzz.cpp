// MusicBrainz replies: a release search and one release.
#include "FuzzTarget.h"

#include "net/MusicBrainz.h"

SONVALE_FUZZ_TARGET(musicbrainz) {
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    (void)ParseMusicBrainzSearch(json, &error);
    (void)ParseMusicBrainzRelease(json, &error);
}

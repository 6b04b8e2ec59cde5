// An album folder whose files stand in the wrong order under bad names, and the CDDB entry
// a server gives for it.
#pragma once

#include "support/AudioFixtures.h"
#include "tagtools/TagToolsSupport.h"

#include <QDir>
#include <QString>

namespace album {

// "b intro.mp3" is track 1 (1 s), "c middle.mp3" track 2 (2 s), "a track.mp3" track 3 (3 s),
// in the folder "Some Album" below `parent`.
inline QString MakeAlbum(const QString& parent) {
    QDir dir(parent + QStringLiteral("/Some Album"));
    dir.mkpath(QStringLiteral("."));
    const struct {
        const char* Name;
        double Seconds;
    } files[] = {{"a track.mp3", 3.0}, {"b intro.mp3", 1.0}, {"c middle.mp3", 2.0}};
    for (const auto& f : files) {
        fixtures::EncodeOptions o = tagtools::SmallAudio();
        o.seconds = f.Seconds;
        QString error;
        EXPECT_TRUE(fixtures::EncodeMp3(dir.filePath(QString::fromLatin1(f.Name)), o, &error))
            << error.toStdString();
    }
    return dir.path();
}

// The xmcd entry (offsets 150, 225, 375 and 8 s give 1000, 2000 and 3000 ms), and the
// query's answer.
inline const QByteArray kQueryReply = "200 misc 0a000803 The Band / Some Album\r\n";
inline const QByteArray kReadReply =
    "210 misc 0a000803 CD database entry follows\r\n"
    "# Track frame offsets:\r\n#\t150\r\n#\t225\r\n#\t375\r\n#\r\n"
    "# Disc length: 8 seconds\r\n#\r\nDTITLE=The Band / Some Album\r\n"
    "DYEAR=2001\r\nDGENRE=Jazz\r\nTTITLE0=Intro\r\nTTITLE1=Middle\r\n"
    "TTITLE2=The Track\r\n.\r\n";

} // namespace album

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The Vorbis comment header of an Ogg Vorbis file.
//
// Reading takes the user comments of the first Vorbis logical stream.
// Writing rebuilds that stream's header pages with a new comment packet and
// re-paginates its audio packets behind them; whatever follows the stream
// (later links of a chained file, trailing bytes) is copied unchanged. The
// new file is streamed to a temporary file and renamed over the original, so
// a failure never leaves a half-written file.
class TOggTag {
public:
    TOggTag();
    ~TOggTag();
    TOggTag(const TOggTag&) = delete;
    TOggTag& operator=(const TOggTag&) = delete;

    // Stores the name and reads the comments.
    bool Open(const QString& fileName);
    // True when the three Vorbis header packets were read; Fields then
    // holds the user comments in file order, names as stored.
    bool Read();
    // Replaces the user comments by the non-empty lines of Fields, keeping
    // the vendor string. False (file untouched) when the file cannot be
    // opened for writing, is not Ogg Vorbis, or its Vorbis stream is
    // multiplexed with other streams. A failure while writing the new file
    // raises ESonvaleError and leaves the original untouched.
    bool Write();
    // Rewrites the file with no user comments (vendor string kept).
    bool Remove();

    QString FileName;
    // "NAME=value" lines, UTF-16.
    QStringList Fields;
    // Set by Read: the vendor string as stored, and whether the Vorbis
    // stream shares the file with other logical streams (not writable).
    QByteArray Vendor;
    bool Multiplexed = false;

private:
    bool Rewrite(const QList<QByteArray>& comments);
};

#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>

// File-level access to the seven unified fields: opens the file's reader.

// The unified fields of a file; false when no reader handles its extension.
// A reader's refusal of the file raises ESonvaleError.
bool ReadFileTags(const QString& path, QStringList& unified);

// Sets the seven fields of a file (an empty value clears that field) and
// writes the tag kinds `kinds` (-1: every kind the reader supports), all in
// one operation. A field whose value is the one the file shows is left as
// each written kind holds it (several values, another spelling), so a write
// changes only what was changed; everything else of the tags is kept. False
// when no reader handles the extension or the tags could not be written (the
// file is then as it was); refusals and write failures raise ESonvaleError.
bool WriteFileTags(const QString& path, const QString& artist, int kinds, const QString& comments,
                   const QString& track, const QString& genre, const QString& year,
                   const QString& album, const QString& title);

struct TTagWriteOptions {
    // An ID3v2.4 tag stays 2.4 (else every ID3v2 tag written is 2.3).
    bool KeepId3v24 = false;
    // The kinds written are those of DefaultTagKinds instead of `kinds`.
    bool KindsFromFile = false;
};

// Sets the unified fields in `values` (lower-case unified names: "artist",
// "title", ...; an empty value clears the field), every other field as the
// file shows it, as WriteFileTags does, with one open of the file.
bool EditFileTags(const QString& path, const QHash<QString, QString>& values, int kinds,
                  const TTagWriteOptions& options);

// The kinds a format's writer can put into the file: ID3v1, ID3v2 and APEv2 for
// MPEG, Musepack, Monkey's Audio and AC-3; ID3v2 for WAVE, and the ID3v1 and APEv2
// tags it carries already (`tagKinds`); Vorbis comments for Ogg; 0 otherwise.
int WritableTagKinds(uint8_t formatCode, int tagKinds);

// The kinds a file carries (`tagKinds`, as its reader found them) plus the
// format's own kind: ID3v2 for MPEG, WAVE and AC-3, Vorbis comments for Ogg,
// APEv2 for Monkey's Audio and Musepack; 0 for a format that is not written.
int DefaultTagKinds(uint8_t formatCode, int tagKinds);

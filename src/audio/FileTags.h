#pragma once

#include <QString>
#include <QStringList>

// File-level access to the seven unified fields: opens the file's reader.

// The unified fields of a file; false when no reader handles its extension.
// A reader's refusal of the file raises ESonvaleError.
bool ReadFileTags(const QString& path, QStringList& unified);

// Sets the seven fields of a file (an empty value clears that field),
// keeping everything else of its tags, and writes the tag kinds `kinds`
// (-1: every kind the reader supports). False when no reader handles the
// extension or a tag could not be written; refusals and write failures
// raise ESonvaleError.
bool WriteFileTags(const QString& path, const QString& artist, int kinds, const QString& comments,
                   const QString& track, const QString& genre, const QString& year,
                   const QString& album, const QString& title);

#pragma once
// The text files the tools write and read (playlists, listings): UTF-8 with CR LF after
// every line, the last one included. Reading also takes UTF-16 with either byte-order
// mark, and bytes that are not valid UTF-8 (older 8-bit files) as Windows-1252.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The whole text; line ends are kept as they are. A leading byte-order mark is dropped.
// Throws ESonvaleError for bytes that are no text at all (NUL bytes outside UTF-16).
QString DecodeText(const QByteArray& bytes);

// Each line of the text; lines end at CR, LF or CR LF. A last line without its line end
// counts; an empty one after the last line end does not.
QStringList DecodeTextLines(const QByteArray& bytes);
// The same one line at a time, without holding them all.
void ForEachTextLine(const QByteArray& bytes, const std::function<void(const QString&)>& line);

// The line as UTF-8 followed by CR LF, appended to `out`.
void AppendTextLine(QByteArray& out, const QString& line);

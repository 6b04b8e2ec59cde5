#pragma once

#include <QString>
#include <cstdint>

class TWFileStream;

// Duration in milliseconds, rounded half to even; 0 for a missing file or an
// unknown format.
int32_t AudioDurationMs(const QString& name);
// Offset of the audio data, as the file's reader sets AudioStart: the leading ID3v2
// tag's size for MPEG and Monkey's Audio, the stream header's position for Musepack,
// 0 for the other formats, an unknown format, a missing file or a Musepack file its
// reader refuses.
int64_t AudioDataOffset(const QString& name);
// The same for an open stream of the file `name`; for MPEG and Monkey's Audio only the
// tag header is read, so a damaged stream behind the tag does not change the offset.
int64_t AudioDataOffset(TWFileStream& stream, const QString& name);
// True for the extensions whose tags the tools handle (with or without the
// leading dot, letter case ignored).
bool IsSupportedExtension(const QString& ext);

#pragma once

#include <QString>
#include <cstdint>

// Duration in milliseconds, rounded half to even; 0 for a missing file or an
// unknown format.
int32_t AudioDurationMs(const QString& name);
// Offset of the audio data (the leading ID3v2 tag's size); 0 for a missing
// file or an unknown format.
int64_t AudioDataOffset(const QString& name);
// True for the extensions whose tags the tools handle (with or without the
// leading dot, letter case ignored).
bool IsSupportedExtension(const QString& ext);

#pragma once
// Text stored as 8-bit bytes by older files: UTF-8 when the bytes are valid UTF-8,
// else Windows-1252.

#include <QString>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const char* text, qsizetype n);
QString FromCp1252(const char* p, qsizetype n);
QString FromEightBit(const char* p, qsizetype n);

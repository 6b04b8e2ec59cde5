#pragma once

#include <QString>
#include <QStringList>

// Names built from tags, made safe as file and folder names: a tag value must never
// reach outside the folder it is meant for, hide a file or exceed what a file system
// stores in one name.

// The longest name most file systems store, in bytes of UTF-8.
inline constexpr int kMaxNameBytes = 255;

// `name` cut to at most `maxBytes` bytes of UTF-8, never inside a character.
QString ShortenToBytes(const QString& name, int maxBytes = kMaxNameBytes);

// One name without control characters and surrounding white space, shortened to fit.
QString CleanNamePart(const QString& name);

// Splits a folder text built from a pattern at "\" (the folder-level separator of
// patterns) into clean parts; empty parts are dropped. False, with the reason, when a
// part is "." or ".." (and `parts` is empty).
bool SafeFolderParts(const QString& text, QStringList& parts, QString* why = nullptr);

// `base` + `extension` (with its dot) as one clean file name, the base shortened so the
// whole fits; empty when the base is empty once cleaned.
QString SafeFileName(const QString& base, const QString& extension);

#pragma once

#include "io/WFileStream.h"

#include <QString>
#include <functional>

// Rewrites a file without ever leaving it half-written: `produce` writes the
// complete new content into `out` (a temporary file in the same folder, named
// and locked as io/TempFiles.h describes), reading whatever it needs from `in`
// (the original). The temporary file is flushed and renamed over the original,
// keeping the original's permissions, and the folder is flushed after the
// rename. Any failure (an exception from `produce`, a full disk, a read-only
// folder, a refused rename) removes the temporary file, leaves the original
// untouched and raises ESonvaleError. A read-only original is refused with the
// stream's open error. Temporary files of the original's pattern that a killed
// process left behind are removed first.
void SafeRewriteFile(const QString& fileName,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce);
// The same with the original already open (`in`, opened by its full name).
void SafeRewriteFile(TWFileStream& in,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce);

// Creates `fileName`, or replaces it as a whole: `produce` writes the complete
// content into `out` (a temporary file in the same folder), which is flushed and
// renamed over the target only when every byte is in place. A replaced file keeps
// its permissions, and a symbolic link keeps pointing at the rewritten file. Any
// failure (an exception from `produce`, a full disk, a missing folder, a target
// that is a folder or read-only) removes the temporary file, leaves an existing
// target untouched and raises ESonvaleError.
void SafeWriteFile(const QString& fileName, const std::function<void(TWFileStream& out)>& produce);

// Copies `count` bytes of `in` from `offset` to the current position of
// `out` in chunks (never the whole range in memory). Raises EStreamError
// when `in` ends early or `out` refuses a write.
void CopyStreamRange(TWFileStream& in, int64_t offset, int64_t count, TWFileStream& out);

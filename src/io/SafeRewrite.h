#pragma once

#include "io/WFileStream.h"

#include <QString>
#include <functional>

// Rewrites a file without ever leaving it half-written: `produce` writes the
// complete new content into `out` (a temporary file in the same folder),
// reading whatever it needs from `in` (the original, opened for reading).
// The temporary file is flushed and renamed over the original, keeping the
// original's permissions. Any failure (an exception from `produce`, a full
// disk, a read-only folder) removes the temporary file, leaves the original
// untouched and raises ESonvaleError. A read-only original is refused with
// the stream's open error.
void SafeRewriteFile(const QString& fileName,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce);

// Copies `count` bytes of `in` from `offset` to the current position of
// `out` in chunks (never the whole range in memory). Raises EStreamError
// when `in` ends early or `out` refuses a write.
void CopyStreamRange(TWFileStream& in, int64_t offset, int64_t count, TWFileStream& out);

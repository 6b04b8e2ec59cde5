#pragma once

#include "io/WFileStream.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

// One piece of a file's new content: a range of its present content, or new bytes.
struct TFilePiece {
    int64_t From = -1; // start of the range kept; -1 for new bytes
    int64_t Size = 0;
    QByteArray Bytes;

    static TFilePiece Keep(int64_t from, int64_t size) { return {from, size, {}}; }
    static TFilePiece Insert(const QByteArray& bytes) { return {-1, bytes.size(), bytes}; }
};

enum class TEditOutcome { Unchanged, InPlace, Rewritten };

// Gives the file open in `file` (for reading and writing) the content `pieces`, in one
// operation. In place when every kept range stays at its offset: the new bytes then only
// overwrite what they replace and the file at most grows or shrinks at its end; an
// in-place write that fails puts back the bytes it had overwritten and the old size.
// Otherwise through one safe rewrite (io/SafeRewrite.h). Raises ESonvaleError when the
// file cannot be written; it is then as it was.
TEditOutcome ApplyFileEdit(TWFileStream& file, const std::vector<TFilePiece>& pieces);

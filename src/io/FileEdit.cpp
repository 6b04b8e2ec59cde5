#include "io/FileEdit.h"

#include "io/FileUtils.h"
#include "io/SafeRewrite.h"
#include "io/TempFiles.h"

#include <algorithm>
#include <unistd.h>

namespace {

struct TOverwrite {
    int64_t Offset = 0;
    const QByteArray* Bytes = nullptr;
    QByteArray Old; // what stood there (up to the old end of the file)
};

// The writes that turn the file into `pieces` without moving a kept range, or false
// when some kept range would move.
bool PlanInPlace(const std::vector<TFilePiece>& pieces, std::vector<TOverwrite>& writes,
                 int64_t& newSize) {
    int64_t pos = 0;
    for (const TFilePiece& p : pieces) {
        if (p.From >= 0) {
            if (p.Size > 0 && p.From != pos) return false;
        } else if (p.Size > 0) {
            writes.push_back({pos, &p.Bytes, {}});
        }
        pos += p.Size;
    }
    newSize = pos;
    return true;
}

void Rewrite(TWFileStream& file, const std::vector<TFilePiece>& pieces) {
    SafeRewriteFile(file, [&](TWFileStream& in, TWFileStream& out) {
        for (const TFilePiece& p : pieces) {
            if (p.From >= 0)
                CopyStreamRange(in, p.From, p.Size, out);
            else
                out.WriteBuffer(p.Bytes.constData(), p.Bytes.size());
        }
    });
}

} // namespace

TEditOutcome ApplyFileEdit(TWFileStream& file, const std::vector<TFilePiece>& pieces) {
    std::vector<TOverwrite> writes;
    int64_t newSize = 0;
    if (!PlanInPlace(pieces, writes, newSize)) {
        Rewrite(file, pieces);
        return TEditOutcome::Rewritten;
    }
    const int64_t oldSize = file.GetSize();
    std::vector<TOverwrite> changes;
    for (TOverwrite& w : writes) {
        w.Old = file.ReadBytesAt(w.Offset, w.Bytes->size());
        if (w.Old != *w.Bytes) changes.push_back(std::move(w));
    }
    RemoveStaleTemps(EncodeFileName(file.FileName()));
    if (changes.empty() && newSize == oldSize) return TEditOutcome::Unchanged;
    // What lies beyond the old end first: until the old bytes change, a reader sees the
    // old file.
    std::stable_partition(changes.begin(), changes.end(), [&](const TOverwrite& w) {
        return w.Offset + w.Bytes->size() > oldSize;
    });
    size_t done = 0;
    try {
        for (; done < changes.size(); ++done) {
            file.Seek(changes[done].Offset, TSeekOrigin::soBeginning);
            file.WriteBuffer(changes[done].Bytes->constData(), changes[done].Bytes->size());
        }
        if (newSize < oldSize) file.SetSize(newSize);
    } catch (...) {
        // A write may have got part of the way: every started one is undone.
        // Old bytes go back over blocks that exist already, so a full disk does not stop
        // them.
        for (size_t i = 0; i <= done && i < changes.size(); ++i)
            (void)::pwrite(file.Handle(), changes[i].Old.constData(), size_t(changes[i].Old.size()),
                           off_t(changes[i].Offset));
        try {
            file.SetSize(oldSize);
        } catch (...) {
        }
        throw;
    }
    return TEditOutcome::InPlace;
}

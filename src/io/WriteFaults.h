#pragma once

#include <cstdint>

// A seam for tests: makes file writes and renames fail as a full disk or a refused
// rename would, without a special mount. Off unless a test turns it on.
namespace writefaults {

// Every write of a file stream fails (ENOSPC) once `bytes` more bytes have been written;
// -1 turns it off.
void FailWritesAfter(int64_t bytes);
// The next safe rewrite fails at its final rename.
void FailNextRename();
void Reset();

// For the writers: how many of `count` bytes may be written now (all of them when off);
// counts them against the budget.
int64_t Allowance(int64_t count);
// True once, after FailNextRename.
bool TakeRenameFailure();

} // namespace writefaults

#pragma once

#include <QByteArray>

// Temporary files of ours are named ".NAME.sonvale-XXXXXX" (six random characters) and
// stand beside the file NAME they are to become: a rewrite of NAME, or a copy that a move
// from another file system puts in place as NAME. The process that writes one holds an
// exclusive flock() on it until it has been renamed or removed, so a file of that pattern
// that nobody holds locked was left by a process that died; it is removed the next time
// NAME is written.

// Creates a new temporary file for `path` (a native name), locked; returns its descriptor
// (-1 with errno set on failure) and its name in `tempPath`.
int CreateLockedTemp(const QByteArray& path, QByteArray* tempPath);

// Removes the temporary files of `name`'s pattern (of the file it links to, when it is
// a link) that nobody holds locked; the number removed.
int RemoveStaleTemps(const QByteArray& name);

// Flushes the entry of `path` in its folder (after a create or a rename), so that a power
// cut cannot lose it.
void SyncFolderOf(const QByteArray& path);

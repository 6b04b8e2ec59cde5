#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "io/FileUtils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream over a file descriptor, opened by full name.
//
// Sharing on this platform: POSIX has no mandatory share modes, so the deny
// modes are mapped onto advisory flock() locks that every writer of ours
// honours. "Exclusive", "deny write" and "deny read" take an exclusive lock
// and fail at once when another of our streams holds one; "deny none" and
// "compatible" take no lock, so readers never block writers or each other.
// fmCreate takes the exclusive lock as well (no sharing).
class TWFileStream {
public:
    TWFileStream(const QString& fileName, uint32_t mode);
    // Takes over a descriptor that is already open (and locked as its owner wants).
    TWFileStream(const QString& fileName, int adoptedHandle);
    ~TWFileStream();
    TWFileStream(const TWFileStream&) = delete;
    TWFileStream& operator=(const TWFileStream&) = delete;

    // Bytes actually read or written (0 at the end or on error).
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* buffer, int64_t count);
    // Whole-buffer variants: a short read or write raises EStreamError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Up to maxCount bytes from offset (fewer at the end of the file).
    QByteArray ReadBytesAt(int64_t offset, int64_t maxCount);
    // Bytes read at offset into buffer without moving the position: fewer at the end of
    // the file, -1 when reading fails.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count);

    int64_t Seek(int64_t offset, TSeekOrigin origin);
    int64_t Position() const;
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    int64_t GetSize() const;
    // The first offset at or after pos that is not inside a hole of a sparse
    // file (holes read as zeros); pos itself where holes cannot be told, the
    // size when only a hole follows.
    int64_t NextData(int64_t pos) const;
    void SetSize(int64_t size);
    // Pushes written data to the disk; raises EStreamError on failure.
    void Flush();

    int Handle() const { return handle; }
    const QString& FileName() const { return fileName; }

private:
    QString fileName;
    int handle = -1;
    int writeError = 0; // errno of the last failed write
};

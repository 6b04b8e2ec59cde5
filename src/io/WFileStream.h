#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

#include "io/FileUtils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TSharedFile;

// One open of a file for everything that reads it on this thread while the scope lives:
// a read-only deny-none TWFileStream of the same name shares the scope's descriptor
// instead of opening the file again, and reads within the file's head and tail come
// from one read of each. The readers and tag scanners of a format each open the file
// by name; a scan over many files makes that one open and a few reads per file.
// A stream may outlive the scope (the descriptor closes with the last user). A scope
// whose file cannot be opened shares nothing: streams open (and fail) as usual.
class TFileReadScope {
public:
    explicit TFileReadScope(const QString& fileName);
    ~TFileReadScope();
    TFileReadScope(const TFileReadScope&) = delete;
    TFileReadScope& operator=(const TFileReadScope&) = delete;

    // The open file of the innermost scope of `fileName` on this thread, or null.
    static std::shared_ptr<TSharedFile> Of(const QString& fileName);

private:
    QString fileName;
    TFileReadScope* outer;
    std::shared_ptr<TSharedFile> file; // null when the file could not be opened
};

// The file's size as an open read scope of it saw it, else as the file system has it now
// (-1 when it cannot be seen). A scope's file is known to be a regular one.
int64_t CurrentFileSize(const QString& fileName);
bool ScopedRegularFile(const QString& fileName);

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
    int writeError = 0;                  // errno of the last failed write
    std::shared_ptr<TSharedFile> shared; // owner of handle when set; reads go through it
    int64_t position = 0;                // of a shared stream, whose descriptor others use too
};

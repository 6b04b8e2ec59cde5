#include "io/WFileStream.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WriteFaults.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

TWFileStream::TWFileStream(const QString& name, uint32_t mode) : fileName(name) {
    if (mode == fmCreate) {
        handle = WideFileCreate(name, GENERIC_READ | GENERIC_WRITE, 0, 0, CREATE_ALWAYS);
        if (handle < 0)
            throw EFOpenError(QStringLiteral("Impossible de créer le fichier %1").arg(name));
    } else {
        handle = WideFileOpen(name, mode);
        if (handle < 0)
            throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(name));
    }
}

TWFileStream::TWFileStream(const QString& name, int adoptedHandle)
    : fileName(name), handle(adoptedHandle) {}

TWFileStream::~TWFileStream() {
    if (handle >= 0) ::close(handle);
}

int64_t TWFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(handle, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TWFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t allowed = writefaults::Allowance(count);
    int64_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < allowed) {
        ssize_t n = ::write(handle, p + done, static_cast<size_t>(allowed - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            writeError = n < 0 ? errno : ENOSPC; // a write of nothing: no room
            break;
        }
        done += n;
    }
    if (done < count && allowed < count) errno = ENOSPC;
    return done;
}

void TWFileStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EStreamError(QStringLiteral("Stream read error"));
}

void TWFileStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EStreamError(WriteFailureText(fileName, writeError));
}

QByteArray TWFileStream::ReadBytesAt(int64_t offset, int64_t maxCount) {
    int64_t available = GetSize() - offset;
    if (offset < 0 || available <= 0 || maxCount <= 0) return {};
    QByteArray bytes(qsizetype(std::min(maxCount, available)), '\0');
    Seek(offset, TSeekOrigin::soBeginning);
    bytes.resize(qsizetype(Read(bytes.data(), bytes.size())));
    return bytes;
}

int64_t TWFileStream::ReadAt(int64_t offset, void* buffer, int64_t count) {
    if (offset < 0 || count < 0) return -1;
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::pread(handle, p + done, size_t(count - done), off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += n;
    }
    return done;
}

int64_t TWFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                 : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                    : SEEK_END;
    off_t r = ::lseek(handle, static_cast<off_t>(offset), whence);
    return r < 0 ? Position() : static_cast<int64_t>(r);
}

int64_t TWFileStream::Position() const {
    off_t r = ::lseek(handle, 0, SEEK_CUR);
    return r < 0 ? 0 : static_cast<int64_t>(r);
}

int64_t TWFileStream::GetSize() const {
    struct stat st {};
    if (::fstat(handle, &st) != 0) return 0;
    return static_cast<int64_t>(st.st_size);
}

int64_t TWFileStream::NextData(int64_t pos) const {
    const off_t here = ::lseek(handle, 0, SEEK_CUR);
    const off_t data = ::lseek(handle, static_cast<off_t>(pos), SEEK_DATA);
    const int error = errno;
    if (here >= 0) ::lseek(handle, here, SEEK_SET);
    if (data >= 0) return std::max<int64_t>(data, pos);
    return error == ENXIO ? std::max(pos, GetSize()) : pos;
}

void TWFileStream::SetSize(int64_t size) {
    Seek(size, TSeekOrigin::soBeginning);
    if (::ftruncate(handle, static_cast<off_t>(size)) != 0)
        throw EStreamError(QString::fromLocal8Bit(std::strerror(errno)));
}

void TWFileStream::Flush() {
    if (::fsync(handle) != 0 && errno != EINVAL && errno != EROFS)
        throw EStreamError(QString::fromLocal8Bit(std::strerror(errno)));
}

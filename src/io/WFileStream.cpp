#include "io/WFileStream.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WriteFaults.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local TFileReadScope* innermostScope = nullptr;
// Files up to this size are read whole at their first read; of larger ones the first and
// the last this many bytes, where headers and tags are.
constexpr int64_t kWholeFileMax = 256 * 1024;
constexpr int64_t kEndBlock = 64 * 1024;

int64_t PreadAll(int handle, int64_t offset, void* buffer, int64_t count) {
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

} // namespace

// A file open for reading, with its head and tail read once.
class TSharedFile {
public:
    TSharedFile(int handle, int64_t size) : handle(handle), size(size) {
        tail.Start = size - kEndBlock; // used only when the head does not hold the whole file
    }
    ~TSharedFile() { ::close(handle); }
    TSharedFile(const TSharedFile&) = delete;
    TSharedFile& operator=(const TSharedFile&) = delete;

    int Handle() const { return handle; }
    // As seen at the open.
    int64_t Size() const { return size; }
    // Bytes read at offset into buffer (fewer at the end of the file), -1 on failure.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count) {
        if (offset < 0 || count < 0) return -1;
        // What lies past the size seen at the open is not asked of the disk.
        const int64_t inFile = std::clamp<int64_t>(size - offset, 0, count);
        if (inFile == 0) return 0;
        const bool whole = size <= kWholeFileMax;
        if (Serve(head, whole ? size : kEndBlock, offset, buffer, inFile) ||
            (!whole && Serve(tail, kEndBlock, offset, buffer, inFile)))
            return inFile;
        return PreadAll(handle, offset, buffer, inFile);
    }

private:
    // A range of the file, read at its first use.
    struct TBlock {
        int64_t Start = 0;
        QByteArray Bytes;
        bool Loaded = false;
    };
    // Copies [offset, offset + count) when it lies inside the block's first `length` bytes.
    bool Serve(TBlock& block, int64_t length, int64_t offset, void* buffer, int64_t count) {
        if (offset < block.Start || offset + count > block.Start + length) return false;
        if (!block.Loaded) {
            block.Loaded = true;
            block.Bytes.resize(qsizetype(length));
            const int64_t n = PreadAll(handle, block.Start, block.Bytes.data(), length);
            block.Bytes.resize(qsizetype(std::max<int64_t>(n, 0)));
        }
        // A file that shrank since it was opened: what is left is read as it is now.
        if (offset + count > block.Start + block.Bytes.size()) return false;
        std::memcpy(buffer, block.Bytes.constData() + (offset - block.Start), size_t(count));
        return true;
    }

    int handle;
    int64_t size;
    TBlock head, tail;
};

TFileReadScope::TFileReadScope(const QString& name) : fileName(name), outer(innermostScope) {
    innermostScope = this;
    const int handle = WideFileOpen(name, fmOpenRead | fmShareDenyNone);
    if (handle < 0) return;
    struct stat st {};
    if (::fstat(handle, &st) != 0) {
        ::close(handle);
        return;
    }
    file = std::make_shared<TSharedFile>(handle, int64_t(st.st_size));
}

TFileReadScope::~TFileReadScope() {
    innermostScope = outer;
}

std::shared_ptr<TSharedFile> TFileReadScope::Of(const QString& name) {
    for (TFileReadScope* s = innermostScope; s; s = s->outer)
        if (s->file && s->fileName == name) return s->file;
    return nullptr;
}

int64_t CurrentFileSize(const QString& name) {
    if (const std::shared_ptr<TSharedFile> f = TFileReadScope::Of(name)) return f->Size();
    return WideFileSize(name);
}

bool ScopedRegularFile(const QString& name) {
    return TFileReadScope::Of(name) != nullptr;
}

TWFileStream::TWFileStream(const QString& name, uint32_t mode) : fileName(name) {
    const uint32_t sharing = mode & 0xF0;
    if ((mode & 0x3) == fmOpenRead && (sharing == fmShareDenyNone || sharing == fmShareCompat) &&
        (shared = TFileReadScope::Of(name))) {
        handle = shared->Handle();
        return;
    }
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
    if (handle >= 0 && !shared) ::close(handle);
}

int64_t TWFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (shared) {
        const int64_t n = shared->ReadAt(position, buffer, count);
        if (n <= 0) return 0;
        position += n;
        return n;
    }
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
    if (shared) return shared->ReadAt(offset, buffer, count);
    return PreadAll(handle, offset, buffer, count);
}

int64_t TWFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (shared) {
        // As lseek: a position before the start is refused, one past the end taken.
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? position
                                                                : shared->Size();
        if (offset > INT64_MAX - base || base + offset < 0) return position;
        position = base + offset;
        return position;
    }
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                 : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                    : SEEK_END;
    off_t r = ::lseek(handle, static_cast<off_t>(offset), whence);
    return r < 0 ? Position() : static_cast<int64_t>(r);
}

int64_t TWFileStream::Position() const {
    if (shared) return position;
    off_t r = ::lseek(handle, 0, SEEK_CUR);
    return r < 0 ? 0 : static_cast<int64_t>(r);
}

int64_t TWFileStream::GetSize() const {
    if (shared) return shared->Size();
    struct stat st {};
    if (::fstat(handle, &st) != 0) return 0;
    return static_cast<int64_t>(st.st_size);
}

int64_t TWFileStream::NextData(int64_t pos) const {
    if (shared) {
        const off_t data = ::lseek(handle, static_cast<off_t>(pos), SEEK_DATA);
        if (data >= 0) return std::max<int64_t>(data, pos);
        return errno == ENXIO ? std::max(pos, GetSize()) : pos;
    }
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

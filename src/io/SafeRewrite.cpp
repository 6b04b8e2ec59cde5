#include "io/SafeRewrite.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/TempFiles.h"
#include "io/WriteFaults.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void CopyStreamRange(TWFileStream& in, int64_t offset, int64_t count, TWFileStream& out) {
    constexpr int64_t kChunk = 1 << 20;
    std::vector<char> buf(size_t(std::min(kChunk, std::max<int64_t>(count, 1))));
    in.Seek(offset, TSeekOrigin::soBeginning);
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, int64_t(buf.size()));
        in.ReadBuffer(buf.data(), n);
        out.WriteBuffer(buf.data(), n);
        count -= n;
    }
}

namespace {

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString OpenMessage(const QString& fileName) {
    return QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName);
}

ESonvaleError CreateError(const QString& fileName, const QString& why) {
    return ESonvaleError(
        QStringLiteral("Impossible de créer le fichier %1 (%2)").arg(fileName, why));
}

// Writes a temporary file beside `target` with `produce`, gives it the permissions (and,
// for root, the owner) of `original` when there is one, and renames it over `target`.
// Any failure removes the temporary file and raises; `target` stays as it was.
void ReplaceThroughTemp(const QByteArray& target, const QString& shownName,
                        const struct stat* original,
                        const std::function<void(TWFileStream& out)>& produce) {
    RemoveStaleTemps(target);
    QByteArray temp;
    const int fd = CreateLockedTemp(target, &temp);
    if (fd < 0) throw CreateError(shownName, ErrnoText());
    // The descriptor, and with it the lock, lives until the name is renamed or removed.
    TWFileStream out(DecodeFileName(temp), fd);
    try {
        produce(out);
        out.Flush();
        if (original) {
            ::fchmod(fd, original->st_mode & 07777);
            if (::getuid() == 0) (void)::fchown(fd, original->st_uid, original->st_gid);
        }
        if (writefaults::TakeRenameFailure()) {
            errno = EIO;
        } else if (::rename(temp.constData(), target.constData()) == 0) {
            SyncFolderOf(target);
            return;
        }
        throw CreateError(shownName, ErrnoText());
    } catch (const ESonvaleError&) {
        ::unlink(temp.constData());
        throw;
    } catch (const std::exception& e) {
        ::unlink(temp.constData());
        throw ESonvaleError(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace

void SafeRewriteFile(const QString& fileName,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce) {
    if (!WideFileExists(fileName)) throw ESonvaleError(OpenMessage(fileName));
    TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
    SafeRewriteFile(in, produce);
}

void SafeRewriteFile(TWFileStream& in,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce) {
    const QString& fileName = in.FileName();
    // The file a link points to is the one rewritten; the link stays a link.
    char resolved[PATH_MAX];
    const QByteArray native = EncodeFileName(fileName);
    const QByteArray target = ::realpath(native.constData(), resolved) ? resolved : native;
    struct stat st {};
    if (::fstat(in.Handle(), &st) != 0) throw ESonvaleError(OpenMessage(fileName));
    // A read-only file stays read-only, also for root, who could replace it.
    if (::access(target.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        throw EFOpenError(OpenMessage(fileName));
    ReplaceThroughTemp(target, fileName, &st, [&](TWFileStream& out) { produce(in, out); });
}

void SafeWriteFile(const QString& fileName, const std::function<void(TWFileStream& out)>& produce) {
    QString target = fileName;
    // Through a link the file it names is rewritten; the link stays a link.
    struct stat link {};
    if (::lstat(EncodeFileName(fileName).constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(EncodeFileName(fileName).constData(), resolved))
            throw CreateError(fileName, QStringLiteral("broken link"));
        target = DecodeFileName(QByteArray(resolved));
    }
    const QByteArray native = EncodeFileName(target);
    struct stat st {};
    const bool replacing = ::stat(native.constData(), &st) == 0;
    if (replacing && !S_ISREG(st.st_mode))
        throw CreateError(fileName, QStringLiteral("not a file"));
    // A read-only file stays what it is, also for root, who could replace it.
    if (replacing && (::access(native.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        throw EFOpenError(QStringLiteral("Impossible de créer le fichier %1").arg(fileName));
    try {
        ReplaceThroughTemp(native, fileName, replacing ? &st : nullptr, produce);
    } catch (const ESonvaleError& e) {
        // Every failure names the file it was to create.
        if (e.Message.startsWith(QStringLiteral("Impossible de créer"))) throw;
        throw CreateError(fileName, e.Message);
    }
}

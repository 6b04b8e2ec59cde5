#include "io/SafeRewrite.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/TempFiles.h"
#include "io/WriteFaults.h"

#include <QFile>
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

// The file a link points to is the one rewritten; the link stays a link.
QByteArray RealTarget(const QByteArray& native) {
    char resolved[PATH_MAX];
    return ::realpath(native.constData(), resolved) ? QByteArray(resolved) : native;
}

} // namespace

void SafeRewriteFile(const QString& fileName,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce) {
    if (!QFile::exists(fileName)) throw ESonvaleError(OpenMessage(fileName));
    TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
    SafeRewriteFile(in, produce);
}

void SafeRewriteFile(TWFileStream& in,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce) {
    const QString& fileName = in.FileName();
    const QByteArray native = RealTarget(QFile::encodeName(fileName));
    struct stat st {};
    if (::fstat(in.Handle(), &st) != 0) throw ESonvaleError(OpenMessage(fileName));
    // A read-only file stays read-only, also for root, who could replace it.
    if (::access(native.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        throw EFOpenError(OpenMessage(fileName));

    RemoveStaleTemps(native);
    QByteArray temp;
    const int fd = CreateLockedTemp(native, &temp);
    if (fd < 0)
        throw ESonvaleError(
            QStringLiteral("Impossible de créer le fichier %1 (%2)").arg(fileName, ErrnoText()));

    // The descriptor, and with it the lock, lives until the name is renamed or removed.
    TWFileStream out(QFile::decodeName(temp), fd);
    try {
        produce(in, out);
        out.Flush();
        // Keep the original's permissions (and owner, where allowed).
        ::fchmod(fd, st.st_mode & 07777);
        if (::getuid() == 0) (void)::fchown(fd, st.st_uid, st.st_gid);
        if (writefaults::TakeRenameFailure())
            errno = EIO;
        else if (::rename(temp.constData(), native.constData()) == 0) {
            SyncFolderOf(native);
            return;
        }
        throw ESonvaleError(
            QStringLiteral("Impossible de créer le fichier %1 (%2)").arg(fileName, ErrnoText()));
    } catch (const ESonvaleError&) {
        ::unlink(temp.constData());
        throw;
    } catch (const std::exception& e) {
        ::unlink(temp.constData());
        throw ESonvaleError(QString::fromLocal8Bit(e.what()));
    }
}

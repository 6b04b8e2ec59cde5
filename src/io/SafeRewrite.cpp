#include "io/SafeRewrite.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

// A unique name beside the original, so that the final rename stays inside
// one file system.
int CreateTempBeside(const QString& fileName, QString& tempName) {
    QString dir = WideExtractFileDir(fileName);
    QString base = WideExtractFileName(fileName);
    QByteArray templ = QFile::encodeName(WideIncludeTrailingBackslash(dir) + QLatin1Char('.') +
                                         base + QStringLiteral(".sonvale-XXXXXX"));
    int fd = ::mkstemp(templ.data());
    if (fd >= 0) tempName = QFile::decodeName(templ);
    return fd;
}

} // namespace

void SafeRewriteFile(const QString& fileName,
                     const std::function<void(TWFileStream& in, TWFileStream& out)>& produce) {
    QByteArray native = QFile::encodeName(fileName);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        throw ESonvaleError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName));
    // A read-only file stays read-only, also for root, who could replace it.
    if (::access(native.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName));

    QString tempName;
    int fd = CreateTempBeside(fileName, tempName);
    if (fd < 0)
        throw ESonvaleError(
            QStringLiteral("Impossible de créer le fichier %1 (%2)").arg(fileName, ErrnoText()));
    ::close(fd);

    auto discard = [&] { ::unlink(QFile::encodeName(tempName).constData()); };
    try {
        TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
        {
            TWFileStream out(tempName, fmOpenReadWrite | fmShareExclusive);
            produce(in, out);
            out.Flush();
        }
        // Keep the original's permissions (and owner, where allowed).
        ::chmod(QFile::encodeName(tempName).constData(), st.st_mode & 07777);
        if (::getuid() == 0)
            (void)::chown(QFile::encodeName(tempName).constData(), st.st_uid, st.st_gid);
        if (::rename(QFile::encodeName(tempName).constData(), native.constData()) != 0)
            throw ESonvaleError(QStringLiteral("Impossible de créer le fichier %1 (%2)")
                                    .arg(fileName, ErrnoText()));
    } catch (const ESonvaleError&) {
        discard();
        throw;
    } catch (const std::exception& e) {
        discard();
        throw ESonvaleError(QString::fromLocal8Bit(e.what()));
    }
}

#include "io/SafeRewrite.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// A new file of a unique name beside `fileName`, so that the final rename stays inside
// one file system. Created with 0666 less the umask: what a new file would get.
int CreateTempBeside(const QString& fileName, QString& tempName) {
    const QString prefix = WideIncludeTrailingBackslash(WideExtractFileDir(fileName)) +
                           QLatin1Char('.') + WideExtractFileName(fileName) +
                           QStringLiteral(".sonvale-");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            prefix + QString::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 36);
        const int fd =
            ::open(EncodeFileName(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempName = name;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// Makes the new folder entry durable, as a rename is not done until then.
void SyncFolderOf(const QString& fileName) {
    const int dir = ::open(EncodeFileName(WideExtractFileDir(fileName)).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    (void)::fsync(dir);
    ::close(dir);
}

ESonvaleError CreateError(const QString& fileName, const QString& why) {
    return ESonvaleError(
        QStringLiteral("Impossible de créer le fichier %1 (%2)").arg(fileName, why));
}

// Writes a temporary file beside `target` with `produce`, gives it the permissions (and,
// for root, the owner) of `original` when there is one, and renames it over `target`.
// Any failure removes the temporary file and raises; `target` stays as it was.
void ReplaceThroughTemp(const QString& target, const QString& shownName,
                        const struct stat* original,
                        const std::function<void(TWFileStream& out)>& produce) {
    QString tempName;
    const int fd = CreateTempBeside(target, tempName);
    if (fd < 0) throw CreateError(shownName, ErrnoText());
    ::close(fd);
    const QByteArray temp = EncodeFileName(tempName);
    try {
        {
            TWFileStream out(tempName, fmOpenReadWrite | fmShareExclusive);
            produce(out);
            out.Flush();
        }
        if (original) {
            ::chmod(temp.constData(), original->st_mode & 07777);
            if (::getuid() == 0)
                (void)::chown(temp.constData(), original->st_uid, original->st_gid);
        }
        if (::rename(temp.constData(), EncodeFileName(target).constData()) != 0)
            throw CreateError(shownName, ErrnoText());
        SyncFolderOf(target);
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
    QByteArray native = EncodeFileName(fileName);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        throw ESonvaleError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName));
    // A read-only file stays read-only, also for root, who could replace it.
    if (::access(native.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName));
    ReplaceThroughTemp(fileName, fileName, &st, [&](TWFileStream& out) {
        TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
        produce(in, out);
    });
}

void SafeWriteFile(const QString& fileName, const std::function<void(TWFileStream& out)>& produce) {
    QString target = fileName;
    // Through a link the file it names is rewritten; the link stays a link.
    struct stat link {};
    if (::lstat(EncodeFileName(fileName).constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* resolved = ::realpath(EncodeFileName(fileName).constData(), nullptr);
        if (!resolved) throw CreateError(fileName, QStringLiteral("broken link"));
        target = DecodeFileName(QByteArray(resolved));
        std::free(resolved);
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
        ReplaceThroughTemp(target, fileName, replacing ? &st : nullptr, produce);
    } catch (const ESonvaleError& e) {
        // Every failure names the file it was to create.
        if (e.Message.startsWith(QStringLiteral("Impossible de créer"))) throw;
        throw CreateError(fileName, e.Message);
    }
}

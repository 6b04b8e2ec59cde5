#include "io/FileUtils.h"
#include "io/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace {

QByteArray Native(const QString& name) {
    return EncodeFileName(name);
}

bool Fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

QString ErrnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// rename() without replacing: the kernel's RENAME_NOREPLACE where the file system has
// it, else a hard link (which refuses an existing name) and an unlink, else a check
// just before the rename (FAT and some network shares have neither).
int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST || errno == EXDEV || errno == ENOENT) return errno;
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// A free name beside `path` for the middle step of a case-only rename. It holds the
// user's file for a moment, so it is not of the temporary-file pattern that the cleanup
// of stale temporary files removes.
QByteArray CaseStepNameBeside(const QByteArray& path, int* fd) {
    const int slash = path.lastIndexOf('/');
    QByteArray tmpl = path.left(slash + 1) + '.' + path.mid(slash + 1) + ".sonvale-case-XXXXXX";
    *fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    return tmpl;
}

// Whether the folder of `path` holds an entry spelled exactly as its name.
bool FolderListsName(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const QByteArray name = path.mid(slash + 1);
    DIR* d = ::opendir(dir.constData());
    if (!d) return true; // unknown: the name counts as taken
    bool found = false;
    while (const dirent* e = ::readdir(d))
        if (name == e->d_name) {
            found = true;
            break;
        }
    ::closedir(d);
    return found;
}

// Whether the existing `to` is the source `from` itself under another letter case: the
// same file, or, where the file system gives each spelling its own inode number (FAT
// through FUSE), a spelling that the folder does not list: a case-insensitive file
// system holds only one of the spellings, and that is the source.
bool IsCaseVariantOfSource(const QString& oldName, const QString& newName, const QByteArray& to,
                           const struct stat& src, const struct stat& dst) {
    if (oldName.compare(newName, Qt::CaseInsensitive) != 0) return false;
    return (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) || !FolderListsName(to);
}

bool CopyAcross(const QByteArray& from, const QByteArray& to, QString* error) {
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(error, ErrnoText(errno));
    struct stat st {};
    ::fstat(in, &st);
    RemoveStaleTemps(to);
    QByteArray tmp;
    // Locked until it has its final name: a cleanup never takes a copy in progress.
    const int out = CreateLockedTemp(to, &tmp);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return Fail(error, ErrnoText(err));
    }
    auto abandon = [&](int err) {
        ::close(in);
        ::unlink(tmp.constData());
        ::close(out);
        return Fail(error, err == ENOSPC ? QStringLiteral("the disk is full") : ErrnoText(err));
    };
    static constexpr size_t kChunk = 1 << 20;
    std::unique_ptr<char[]> buf(new char[kChunk]);
    int64_t copied = 0;
    for (;;) {
        const ssize_t n = ::read(in, buf.get(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return abandon(errno);
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.get() + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return abandon(w < 0 ? errno : ENOSPC);
            done += w;
        }
        copied += n;
    }
    struct stat written {};
    if (::fchmod(out, st.st_mode & 07777) != 0 && errno != EPERM) return abandon(errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    if (::fsync(out) != 0) return abandon(errno);
    if (::fstat(out, &written) != 0 || written.st_size != copied || copied != st.st_size)
        return abandon(EIO);
    ::close(in);
    if (const int err = RenameNoReplace(tmp, to)) {
        ::unlink(tmp.constData());
        ::close(out);
        return Fail(error, err == EEXIST ? QStringLiteral("the target exists") : ErrnoText(err));
    }
    ::close(out);
    SyncFolderOf(to);
    if (::unlink(from.constData()) != 0) {
        // Both copies exist now; the user loses nothing, but the move is not done.
        return Fail(error, QStringLiteral("copied, but the source could not be removed: ") +
                               ErrnoText(errno));
    }
    SyncFolderOf(from);
    return true;
}

} // namespace

bool WideRenameFile(const QString& oldName, const QString& newName, QString* error) {
    if (oldName.isEmpty() || newName.isEmpty()) return Fail(error, QStringLiteral("no name"));
    const QByteArray from = Native(oldName), to = Native(newName);
    if (from == to) return true;
    struct stat src {
    }, dst{};
    if (::lstat(from.constData(), &src) != 0) return Fail(error, ErrnoText(errno));
    // A target that is the source itself under another letter case: a case-insensitive
    // file system. Step through a temporary name so the new spelling is stored.
    if (::stat(to.constData(), &dst) == 0 &&
        IsCaseVariantOfSource(oldName, newName, to, src, dst)) {
        int fd = -1;
        const QByteArray tmp = CaseStepNameBeside(to, &fd);
        if (fd < 0) return Fail(error, ErrnoText(errno));
        ::close(fd);
        ::unlink(tmp.constData());
        if (const int err = RenameNoReplace(from, tmp)) return Fail(error, ErrnoText(err));
        if (const int err = RenameNoReplace(tmp, to)) {
            RenameNoReplace(tmp, from);
            return Fail(error, ErrnoText(err));
        }
        return true;
    }
    // A rename within one file system is atomic: after a power cut the file has one of
    // its two names, never neither, so no folder sync (it costs milliseconds per file).
    const int err = RenameNoReplace(from, to);
    if (err == 0) return true;
    if (err == EEXIST || err == ENOTEMPTY) return Fail(error, QStringLiteral("the target exists"));
    if (err != EXDEV) return Fail(error, ErrnoText(err));
    if (!S_ISREG(src.st_mode)) return Fail(error, QStringLiteral("not a regular file"));
    return CopyAcross(from, to, error);
}

bool WideMoveToTrash(const QString& name, QString* error) {
    QFile file(name);
    if (!file.exists()) return Fail(error, QStringLiteral("no such file"));
    // Qt falls back to the home trash and, when it cannot create that one (a data folder
    // that does not exist yet), moves the file into "files" of the current folder.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data + QStringLiteral("/Trash")))
        return Fail(error, QStringLiteral("no trash folder in %1").arg(data));
    if (!file.moveToTrash())
        return Fail(error, file.errorString().isEmpty() ? QStringLiteral("no trash for this file")
                                                        : file.errorString());
    if (QFileInfo(file.fileName()).isRelative()) {
        WideRenameFile(QFileInfo(file.fileName()).absoluteFilePath(), name);
        return Fail(error, QStringLiteral("no trash for this file"));
    }
    return true;
}

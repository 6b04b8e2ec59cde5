#include "io/FileUtils.h"

#include "io/Mask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& name) {
    return EncodeFileName(name);
}

bool StatName(const QString& name, struct stat& st) {
    if (name.isEmpty()) return false;
    return ::stat(Native(name).constData(), &st) == 0;
}

// Emulates the sharing part of an open mode with an advisory lock.
bool ApplySharing(int fd, uint32_t sharing) {
    if (sharing == fmShareExclusive || sharing == fmShareDenyWrite || sharing == fmShareDenyRead) {
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EINTR) return false;
        }
    }
    return true;
}

} // namespace

bool WideFileExists(const QString& name) {
    struct stat st {};
    return StatName(name, st) && !S_ISDIR(st.st_mode);
}

bool WideDirectoryExists(const QString& name) {
    struct stat st {};
    return StatName(name, st) && S_ISDIR(st.st_mode);
}

int64_t WideFileSize(const QString& name) {
    struct stat st {};
    return StatName(name, st) && !S_ISDIR(st.st_mode) ? int64_t(st.st_size) : -1;
}

bool WideFileIsReadOnly(const QString& name) {
    struct stat st {};
    return StatName(name, st) && (st.st_mode & 0222) == 0;
}

bool WideRegularFile(const QString& name, TFileIdentity* identity) {
    struct stat st {};
    if (!StatName(name, st) || !S_ISREG(st.st_mode)) return false;
    if (identity) *identity = {uint64_t(st.st_dev), uint64_t(st.st_ino)};
    return true;
}

int WideFileOpen(const QString& name, uint32_t mode) {
    uint32_t access = mode & 0x3;
    uint32_t sharing = mode & 0xF0;
    if (name.isEmpty() || access > 2 || sharing > fmShareDenyNone) return -1;
    int flags = access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR;
    int fd;
    // Not blocking: opening a pipe without a writer would wait forever. Only
    // regular files are taken, so the flag is dropped again at once.
    do {
        fd = ::open(Native(name).constData(), flags | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, flags) != 0 ||
        !ApplySharing(fd, sharing)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int WideFileCreate(const QString& name, uint32_t access, uint32_t sharing, uint32_t attributes,
                   uint32_t disposition) {
    (void)attributes;
    if (name.size() <= 2) return -1;
    int flags = O_CLOEXEC;
    bool rd = access & GENERIC_READ, wr = access & GENERIC_WRITE;
    flags |= (rd && wr) ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    default:
        return -1;
    }
    int fd;
    do {
        fd = ::open(Native(name).constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    // No FILE_SHARE_WRITE means other writers are denied.
    if (!(sharing & FILE_SHARE_WRITE) && !ApplySharing(fd, fmShareDenyWrite)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QString WriteFailureText(const QString& name, int error) {
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Cannot write %1: the disk is full").arg(name);
    return QStringLiteral("Cannot write %1: %2").arg(name, QString::fromLocal8Bit(strerror(error)));
}

bool WideDeleteFile(const QString& name) {
    return !name.isEmpty() && WideFileExists(name) && ::unlink(Native(name).constData()) == 0;
}

bool WideCreateDir(const QString& name) {
    return !name.isEmpty() && ::mkdir(Native(name).constData(), 0777) == 0;
}

QByteArray WideShortPathName(const QString& name) {
    struct stat st {};
    if (!StatName(name, st)) return {};
    return Native(name);
}

QString WideIncludeTrailingBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(kPathDelim)) return path;
    return path + kPathDelim;
}

QString WideExcludeTrailingBackslash(const QString& path) {
    if (path.endsWith(kPathDelim)) return path.left(path.size() - 1);
    return path;
}

QString WideExtractFileName(const QString& path) {
    return path.mid(path.lastIndexOf(kPathDelim) + 1);
}

QString WideExtractFileDir(const QString& path) {
    int i = path.lastIndexOf(kPathDelim);
    return i < 0 ? QString() : path.left(i);
}

QString WideExtractFileExt(const QString& path, bool withoutDot) {
    for (int i = path.size() - 1; i >= 0; --i) {
        QChar c = path[i];
        if (c == QLatin1Char('.')) return path.mid(withoutDot ? i + 1 : i);
        if (c == kPathDelim) break;
    }
    return {};
}

QString WideExtractFileBase(const QString& path) {
    QString name = WideExtractFileName(path);
    int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

struct TWideSearchRec::State {
    DIR* dir = nullptr;
    QString folder;
    TMask mask{QStringLiteral("*")};
    uint32_t attr = 0;
    ~State() {
        if (dir) ::closedir(dir);
    }
};

namespace {

// Fills rec from the next matching entry; false at the end.
bool NextEntry(TWideSearchRec& rec) {
    auto& st = *rec.FindHandle;
    while (dirent* e = ::readdir(st.dir)) {
        QString name = DecodeFileName(QByteArray(e->d_name));
        if (name == QLatin1String(".") || name == QLatin1String("..")) continue;
        if (!st.mask.Matches(name)) continue;
        QString full = WideIncludeTrailingBackslash(st.folder) + name;
        struct stat s {};
        uint32_t attr = 0;
        struct stat ls {};
        if (::lstat(Native(full).constData(), &ls) == 0 && S_ISLNK(ls.st_mode)) attr |= faSymLink;
        if (::stat(Native(full).constData(), &s) != 0) s = ls;
        if (S_ISDIR(s.st_mode))
            attr |= faDirectory;
        else
            attr |= faArchive;
        if (name.startsWith(QLatin1Char('.'))) attr |= faHidden;
        if (::access(Native(full).constData(), W_OK) != 0) attr |= faReadOnly;
        // Folders are only listed when asked for, as on the other platform.
        if ((attr & faDirectory) && !(st.attr & faDirectory)) continue;
        rec.Name = name;
        rec.Attr = attr;
        rec.Size = S_ISDIR(s.st_mode) ? 0 : static_cast<int64_t>(s.st_size);
        rec.Time = QDateTime::fromSecsSinceEpoch(s.st_mtime);
        return true;
    }
    return false;
}

} // namespace

bool ListFolder(const QString& folder, std::vector<TFolderEntry>& entries) {
    DIR* dir = ::opendir(Native(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir) return false;
    const int fd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        TFolderEntry entry;
        entry.Name = DecodeFileName(QByteArray(n));
        struct stat st {};
        switch (e->d_type) {
        case DT_DIR:
            entry.Folder = true;
            break;
        case DT_LNK: // a dangling link is listed as a file
            entry.Link = true;
            entry.Folder = ::fstatat(fd, n, &st, 0) == 0 && S_ISDIR(st.st_mode);
            break;
        case DT_UNKNOWN: // file systems that do not type their entries
            if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) break;
            entry.Link = S_ISLNK(st.st_mode);
            if (entry.Link && ::fstatat(fd, n, &st, 0) != 0) break;
            entry.Folder = S_ISDIR(st.st_mode);
            break;
        default:
            break;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

int WideFindFirst(const QString& pattern, uint32_t attr, TWideSearchRec& rec) {
    WideFindClose(rec);
    QString folder = WideExtractFileDir(pattern);
    QString maskText = WideExtractFileName(pattern);
    if (folder.isEmpty() && pattern.startsWith(kPathDelim)) folder = QString(kPathDelim);
    auto st = std::make_shared<TWideSearchRec::State>();
    st->folder = folder.isEmpty() ? QStringLiteral(".") : folder;
    // "*.*" is every name, dotted or not.
    st->mask = TMask(maskText == QLatin1String("*.*") ? QStringLiteral("*") : maskText);
    st->attr = attr;
    st->dir = ::opendir(Native(st->folder).constData());
    if (!st->dir) return ENOENT;
    rec.FindHandle = st;
    if (!NextEntry(rec)) {
        WideFindClose(rec);
        return ENOENT;
    }
    return 0;
}

int WideFindNext(TWideSearchRec& rec) {
    if (!rec.FindHandle) return ENOENT;
    return NextEntry(rec) ? 0 : ENOENT;
}

void WideFindClose(TWideSearchRec& rec) {
    rec.FindHandle.reset();
}

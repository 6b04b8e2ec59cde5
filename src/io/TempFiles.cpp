#include "io/TempFiles.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr char kMarker[] = ".sonvale-";
constexpr int kRandomChars = 6;

QByteArray FolderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

QByteArray NameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// The pattern's fixed part for `path`: ".NAME.sonvale-", NAME cut where the whole
// name would pass the file system's 255 bytes.
QByteArray TempPrefix(const QByteArray& path) {
    constexpr int kRoom = 255 - 1 - (int(sizeof(kMarker)) - 1) - kRandomChars;
    return '.' + NameOf(path).left(kRoom) + kMarker;
}

} // namespace

int CreateLockedTemp(const QByteArray& path, QByteArray* tempPath) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QByteArray prefix = path.left(path.lastIndexOf('/') + 1) + TempPrefix(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = prefix;
        for (int i = 0; i < kRandomChars; ++i)
            name += kChars[QRandomGenerator::global()->bounded(int(sizeof(kChars) - 1))];
        // 0666 less the umask: what a new file gets, for a file created this way.
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        int r;
        do {
            r = ::flock(fd, LOCK_EX);
        } while (r != 0 && errno == EINTR);
        // A cleanup that ran between the create and the lock may have removed the new
        // name: the file is gone, take another.
        struct stat st {};
        if (r == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            *tempPath = name;
            return fd;
        }
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

namespace {

// The names of our temporary files in a folder as last listed, and the folder's
// change time then: a batch of writes in one folder lists it once, not once per file.
struct TFolderTemps {
    struct timespec Changed {};
    std::vector<QByteArray> Names;
};
std::mutex foldersLock;
std::map<QByteArray, TFolderTemps> folders;

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool IsTempName(const char* name, size_t len) {
    const size_t marker = sizeof(kMarker) - 1;
    return len > marker + kRandomChars && name[0] == '.' &&
           std::memcmp(name + len - kRandomChars - marker, kMarker, marker) == 0;
}

// Our temporary files in `folder`, listed again when the folder changed.
std::vector<QByteArray>& TempsIn(const QByteArray& folder) {
    struct stat st {};
    ::stat(folder.constData(), &st);
    TFolderTemps& entry = folders[folder];
    if (SameTime(entry.Changed, st.st_mtim) && (st.st_mtim.tv_sec | st.st_mtim.tv_nsec))
        return entry.Names;
    entry.Changed = st.st_mtim;
    entry.Names.clear();
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir))
            if (IsTempName(e->d_name, std::strlen(e->d_name))) entry.Names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    return entry.Names;
}

} // namespace

int RemoveStaleTemps(const QByteArray& name) {
    // Beside the file a link points to, where a rewrite puts its temporary file.
    char resolved[PATH_MAX];
    const QByteArray path = ::realpath(name.constData(), resolved) ? QByteArray(resolved) : name;
    const QByteArray folder = FolderOf(path);
    const QByteArray prefix = TempPrefix(path);
    std::lock_guard<std::mutex> guard(foldersLock);
    std::vector<QByteArray>& names = TempsIn(folder);
    int removed = 0;
    for (auto it = names.begin(); it != names.end();) {
        if (it->size() != prefix.size() + kRandomChars || !it->startsWith(prefix)) {
            ++it;
            continue;
        }
        const QByteArray full = folder + '/' + *it;
        const int fd = ::open(full.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        // Held by a live writer: not ours to touch.
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(full.constData()) == 0)
            ++removed;
        if (fd >= 0) ::close(fd);
        it = names.erase(it);
    }
    return removed;
}

void SyncFolderOf(const QByteArray& path) {
    const int fd = ::open(FolderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

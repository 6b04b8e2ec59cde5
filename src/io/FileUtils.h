#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// File helpers by full (UTF-16) name. The path separator is the platform's
// "/" (kPathDelim); there are no drive letters here.
inline constexpr QChar kPathDelim = QLatin1Char('/');

// Access, sharing and disposition flags of WideFileCreate.
// Open modes: the access part in the low two bits, the sharing part in the
// next nibble, or fmCreate for create-or-truncate.
enum : uint32_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

enum : uint32_t {
    GENERIC_READ = 0x80000000u,
    GENERIC_WRITE = 0x40000000u,
    FILE_SHARE_READ = 0x1,
    FILE_SHARE_WRITE = 0x2,
    CREATE_NEW = 1,
    CREATE_ALWAYS = 2,
    OPEN_EXISTING = 3,
    OPEN_ALWAYS = 4,
    TRUNCATE_EXISTING = 5,
};

// Attribute bits of a search record.
enum : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faSymLink = 0x400,
    faAnyFile = 0x3F,
};

// Names as the file system stores them: bytes, UTF-8 by convention. Bytes that are not
// valid UTF-8 (Latin-1 names from older collections) decode to U+DC80..U+DCFF and encode
// back to the same bytes, so every name on disk can be listed, opened and renamed.
QString DecodeFileName(const QByteArray& bytes);
// Empty when the name cannot be stored: a NUL, or an unpaired surrogate other than an
// escaped byte.
QByteArray EncodeFileName(const QString& name);
// The same for text shown to the user (terminal, pipe): escaped bytes go back as they
// were, other unpaired surrogates become U+FFFD.
QByteArray EncodeEscapedText(const QString& text);

bool WideFileExists(const QString& name);
bool WideDirectoryExists(const QString& name);
// The size of the file (through a link: of the file it names), or -1 when there is none.
int64_t WideFileSize(const QString& name);
// True when the file exists and has no write permission bit: such a file stays
// read-only, also for a privileged user who could write it anyway.
bool WideFileIsReadOnly(const QString& name);

// What a name points to on its file system: two names of one file (a link, a second
// spelling of the path) share it.
struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const TFileIdentity&) const = default;
};
// True for a regular file (links followed): not a folder, pipe or device, whose open
// could block or whose reads never end. Fills `identity` when given.
bool WideRegularFile(const QString& name, TFileIdentity* identity = nullptr);
// Returns a file descriptor, or -1 (the invalid handle). Only regular files
// open: a pipe, socket, device or folder gives -1 without waiting.
int WideFileOpen(const QString& name, uint32_t mode);
int WideFileCreate(const QString& name, uint32_t access, uint32_t sharing, uint32_t attributes,
                   uint32_t disposition);
// What a write to `name` that failed with the errno value `error` tells the user.
QString WriteFailureText(const QString& name, int error);
bool WideDeleteFile(const QString& name);
// Renames or moves a file and never replaces another one: an existing target is a
// failure (even one that differs only in letter case, unless it is the same file:
// a case-only rename goes through a temporary name, for case-insensitive file
// systems). Across file systems the file is copied beside the target, flushed,
// checked for size, put in place, and only then the source is deleted. On failure
// the source is untouched and `error` (when given) says why.
bool WideRenameFile(const QString& oldName, const QString& newName, QString* error = nullptr);
// Moves a file or folder to the desktop's trash; false (with the reason) when there
// is no trash on its file system or the move failed. Never deletes outright.
bool WideMoveToTrash(const QString& name, QString* error = nullptr);
bool WideCreateDir(const QString& name);
// The 8.3 short form does not exist here: the name's bytes as the file system
// stores them.
QByteArray WideShortPathName(const QString& name);

QString WideIncludeTrailingBackslash(const QString& path);
QString WideExcludeTrailingBackslash(const QString& path);
QString WideExtractFileName(const QString& path);
QString WideExtractFileDir(const QString& path);
QString WideExtractFileExt(const QString& path, bool withoutDot = false);
QString WideExtractFileBase(const QString& path);

// Folder enumeration: pattern is "<folder>/<mask>" ("*.*" matches every
// name, with or without a dot). "." and ".." are never returned.
struct TWideSearchRec {
    QString Name;
    int64_t Size = 0;
    uint32_t Attr = 0;
    QDateTime Time;
    struct State;
    std::shared_ptr<State> FindHandle;
};
// 0 on success (Rec holds the first entry), non-zero when nothing matches or
// the folder cannot be listed.
int WideFindFirst(const QString& pattern, uint32_t attr, TWideSearchRec& rec);
int WideFindNext(TWideSearchRec& rec);
void WideFindClose(TWideSearchRec& rec);

// One entry of ListFolder.
struct TFolderEntry {
    QString Name;
    bool Folder = false; // a folder, or a link to one
    bool Link = false;
};
// The entries of a folder but "." and "..", in the file system's order; false when it
// cannot be listed. Unlike WideFindFirst it asks nothing of an entry the listing already
// types (no size, time or attributes), so a scan of many files costs no stat per file.
bool ListFolder(const QString& folder, std::vector<TFolderEntry>& entries);

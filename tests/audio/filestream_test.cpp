// The file stream, the file helpers and the safe rewrite.
#include "io/FileUtils.h"
#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

class FileTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString Path(const QString& name) const { return tmp.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Contents(const QString& name) {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList Entries() {
        return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(FileTest, ExistenceOfFilesAndFolders) {
    Write(QStringLiteral("a.mp3"), "x");
    QDir(tmp.path()).mkdir(QStringLiteral("sub"));
    EXPECT_TRUE(WideFileExists(Path(QStringLiteral("a.mp3"))));
    EXPECT_FALSE(WideFileExists(Path(QStringLiteral("sub"))));
    EXPECT_TRUE(WideDirectoryExists(Path(QStringLiteral("sub"))));
    EXPECT_FALSE(WideDirectoryExists(Path(QStringLiteral("a.mp3"))));
    EXPECT_FALSE(WideFileExists(Path(QStringLiteral("missing"))));
    EXPECT_FALSE(WideFileExists(QString()));
    // Names beyond ASCII.
    Write(QStringLiteral("Émile – 日本.mp3"), "y");
    EXPECT_TRUE(WideFileExists(Path(QStringLiteral("Émile – 日本.mp3"))));
}

TEST_F(FileTest, OpenModesAndMessages) {
    Write(QStringLiteral("f.bin"), "0123456789");
    EXPECT_EQ(WideFileOpen(QString(), fmOpenRead), -1);
    EXPECT_EQ(WideFileOpen(Path(QStringLiteral("f.bin")), 3), -1);    // access part above 2
    EXPECT_EQ(WideFileOpen(Path(QStringLiteral("f.bin")), 0x50), -1); // sharing above 0x40
    EXPECT_EQ(WideFileCreate(QStringLiteral("ab"), GENERIC_WRITE, 0, 0, CREATE_ALWAYS), -1);

    QString missing = Path(QStringLiteral("missing.bin"));
    try {
        TWFileStream s(missing, fmOpenRead | fmShareDenyNone);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Impossible d'ouvrir le fichier %1").arg(missing));
    }
    QString badCreate = Path(QStringLiteral("no/such/dir.bin"));
    try {
        TWFileStream s(badCreate, fmCreate);
        FAIL() << "created in a missing folder";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Impossible de créer le fichier %1").arg(badCreate));
    }
}

TEST_F(FileTest, ReadSeekWriteAndSetSize) {
    Write(QStringLiteral("f.bin"), "0123456789");
    TWFileStream s(Path(QStringLiteral("f.bin")), fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_EQ(s.GetSize(), 10);
    char buf[4] = {};
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soEnd), 7);
    EXPECT_EQ(s.Read(buf, 4), 3); // short read at the end
    EXPECT_EQ(QByteArray(buf, 3), QByteArray("789"));
    EXPECT_THROW(s.ReadBuffer(buf, 1), EStreamError);
    s.SetPosition(2);
    s.WriteBuffer("ab", 2);
    EXPECT_EQ(s.Position(), 4);
    s.SetSize(5);
    EXPECT_EQ(s.GetSize(), 5);
    EXPECT_EQ(Contents(QStringLiteral("f.bin")), QByteArray("01ab4"));
}

// A stream under a read scope reads, seeks and tells what a stream of its own would, in a
// file held whole in memory and in one of which only the head and tail are.
TEST_F(FileTest, ScopedStreamsReadAsStreamsOfTheirOwn) {
    for (const int size : {1000, 300 * 1024 + 7}) {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + i / 251);
        Write(QStringLiteral("f.bin"), bytes);
        const QString name = Path(QStringLiteral("f.bin"));
        TWFileStream own(name, fmOpenRead | fmShareDenyNone);
        const TFileReadScope scope(name);
        TWFileStream shared(name, fmOpenRead | fmShareDenyNone);
        ASSERT_EQ(shared.GetSize(), own.GetSize());
        struct TStep {
            int64_t Offset;
            TSeekOrigin Origin;
            int64_t Count;
        };
        const TStep steps[] = {{0, TSeekOrigin::soBeginning, 10},
                               {5, TSeekOrigin::soCurrent, 40},
                               {-32, TSeekOrigin::soEnd, 32},
                               {-128, TSeekOrigin::soEnd, 200},
                               {65530, TSeekOrigin::soBeginning, 20},
                               {size / 2, TSeekOrigin::soBeginning, 5000},
                               {-70000, TSeekOrigin::soEnd, 9000},
                               {-5, TSeekOrigin::soBeginning, 4},
                               {size + 10, TSeekOrigin::soBeginning, 8},
                               {-1, TSeekOrigin::soCurrent, 100000}};
        for (const TStep& st : steps) {
            SCOPED_TRACE(QStringLiteral("size %1 offset %2 count %3")
                             .arg(size)
                             .arg(st.Offset)
                             .arg(st.Count)
                             .toStdString());
            EXPECT_EQ(shared.Seek(st.Offset, st.Origin), own.Seek(st.Offset, st.Origin));
            QByteArray a(int(st.Count), 'a'), b(int(st.Count), 'b');
            const int64_t n = own.Read(a.data(), st.Count);
            EXPECT_EQ(shared.Read(b.data(), st.Count), n);
            EXPECT_EQ(b.left(int(n)), a.left(int(n)));
            EXPECT_EQ(shared.Position(), own.Position());
            EXPECT_EQ(shared.ReadBytesAt(st.Offset, st.Count),
                      own.ReadBytesAt(st.Offset, st.Count));
        }
    }
}

// Streams of the scope's file share its one open: a name gone after the scope opened
// the file still reads, also after the scope ended; other files and writers open their own.
TEST_F(FileTest, ScopeSharesOneOpenWithReadersOnly) {
    Write(QStringLiteral("a.mp3"), "scoped bytes");
    Write(QStringLiteral("b.mp3"), "other");
    const QString a = Path(QStringLiteral("a.mp3"));
    std::unique_ptr<TWFileStream> outliving;
    {
        const TFileReadScope scope(a);
        ASSERT_TRUE(QFile::rename(a, Path(QStringLiteral("moved.mp3"))));
        TWFileStream reader(a, fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(reader.ReadBytesAt(0, 100), QByteArray("scoped bytes"));
        outliving = std::make_unique<TWFileStream>(a, fmOpenRead | fmShareDenyNone);
        EXPECT_THROW(TWFileStream(a, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
        TWFileStream other(Path(QStringLiteral("b.mp3")), fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(other.ReadBytesAt(0, 100), QByteArray("other"));
    }
    EXPECT_EQ(outliving->ReadBytesAt(7, 100), QByteArray("bytes"));
    EXPECT_THROW(TWFileStream(a, fmOpenRead | fmShareDenyNone), EFOpenError);

    // A scope whose file is missing shares nothing.
    const TFileReadScope missing(Path(QStringLiteral("none.mp3")));
    EXPECT_THROW(TWFileStream(Path(QStringLiteral("none.mp3")), fmOpenRead), EFOpenError);
}

TEST_F(FileTest, WritersDenyOtherWritersButNotReaders) {
    Write(QStringLiteral("f.bin"), "data");
    QString f = Path(QStringLiteral("f.bin"));
    TWFileStream reader(f, fmOpenRead | fmShareDenyNone);
    {
        TWFileStream writer(f, fmOpenReadWrite | fmShareDenyWrite);
        EXPECT_THROW(TWFileStream(f, fmOpenReadWrite | fmShareDenyWrite), EFOpenError);
        TWFileStream another(f, fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(another.GetSize(), 4);
    }
    // Released with the first writer.
    EXPECT_NO_THROW(TWFileStream(f, fmOpenReadWrite | fmShareDenyWrite));
}

TEST_F(FileTest, RenameNeverReplacesAndDeleteOnlyFiles) {
    Write(QStringLiteral("a"), "A");
    Write(QStringLiteral("b"), "B");
    EXPECT_FALSE(WideRenameFile(Path(QStringLiteral("a")), Path(QStringLiteral("b"))));
    EXPECT_EQ(Contents(QStringLiteral("b")), QByteArray("B"));
    EXPECT_TRUE(WideRenameFile(Path(QStringLiteral("a")), Path(QStringLiteral("c"))));
    EXPECT_FALSE(WideFileExists(Path(QStringLiteral("a"))));
    EXPECT_TRUE(WideCreateDir(Path(QStringLiteral("d"))));
    EXPECT_FALSE(WideCreateDir(Path(QStringLiteral("d"))));
    EXPECT_FALSE(WideDeleteFile(Path(QStringLiteral("d"))));
    EXPECT_TRUE(WideDeleteFile(Path(QStringLiteral("c"))));
    EXPECT_FALSE(WideDeleteFile(Path(QStringLiteral("c"))));
}

TEST_F(FileTest, MovesAcrossFileSystemsAndToTheTrashLoseNothing) {
    QTemporaryDir other(QStringLiteral("/dev/shm/sonvale-XXXXXX"));
    struct stat a {
    }, b{};
    if (!other.isValid() || ::stat(QFile::encodeName(tmp.path()), &a) != 0 ||
        ::stat(QFile::encodeName(other.path()), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system";
    const QByteArray big(3 << 20, 'x');
    Write(QStringLiteral("song.mp3"), big);
    ::chmod(QFile::encodeName(Path(QStringLiteral("song.mp3"))), 0640);
    const QString there = other.filePath(QStringLiteral("song.mp3"));
    QFile::copy(Path(QStringLiteral("song.mp3")), other.filePath(QStringLiteral("taken.mp3")));
    QString why;
    EXPECT_FALSE(WideRenameFile(Path(QStringLiteral("song.mp3")),
                                other.filePath(QStringLiteral("taken.mp3")), &why));
    EXPECT_EQ(why, QStringLiteral("the target exists"));
    ASSERT_TRUE(WideRenameFile(Path(QStringLiteral("song.mp3")), there, &why)) << why.toStdString();
    EXPECT_EQ(Entries(), QStringList()); // no temporary file left behind either
    QFile moved(there);
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), big);
    EXPECT_EQ(moved.permissions() & QFile::ReadGroup, QFile::ReadGroup);

    qputenv("XDG_DATA_HOME", QFile::encodeName(Path(QStringLiteral("share"))));
    Write(QStringLiteral("gone.mp3"), "G");
    EXPECT_TRUE(WideMoveToTrash(Path(QStringLiteral("gone.mp3")), &why)) << why.toStdString();
    EXPECT_FALSE(WideFileExists(Path(QStringLiteral("gone.mp3"))));
    // In the trash of the data folder, which did not exist yet, not in the current folder.
    EXPECT_TRUE(WideFileExists(Path(QStringLiteral("share/Trash/files/gone.mp3"))));
    EXPECT_FALSE(WideMoveToTrash(Path(QStringLiteral("gone.mp3"))));
    qunsetenv("XDG_DATA_HOME");
}

TEST_F(FileTest, FindListsEveryNameOnce) {
    Write(QStringLiteral("a.mp3"), "1");
    Write(QStringLiteral("noext"), "22");
    Write(QStringLiteral(".hidden.ogg"), "333");
    QDir(tmp.path()).mkdir(QStringLiteral("sub.d"));
    TWideSearchRec rec;
    QStringList names;
    for (int r = WideFindFirst(Path(QStringLiteral("*.*")), faAnyFile, rec); r == 0;
         r = WideFindNext(rec)) {
        names << rec.Name;
        if (rec.Name == QLatin1String("sub.d")) {
            EXPECT_TRUE(rec.Attr & faDirectory);
        }
        if (rec.Name == QLatin1String("noext")) {
            EXPECT_EQ(rec.Size, 2);
        }
    }
    WideFindClose(rec);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral(".hidden.ogg"), QStringLiteral("a.mp3"),
                                  QStringLiteral("noext"), QStringLiteral("sub.d")}));

    // Without the folder attribute only files come back; a mask filters.
    names.clear();
    for (int r = WideFindFirst(Path(QStringLiteral("*.mp3")), faArchive, rec); r == 0;
         r = WideFindNext(rec))
        names << rec.Name;
    EXPECT_EQ(names, QStringList{QStringLiteral("a.mp3")});
    EXPECT_NE(WideFindFirst(Path(QStringLiteral("missing/*.*")), faAnyFile, rec), 0);
}

TEST_F(FileTest, SafeRewriteReplacesAndKeepsPermissions) {
    Write(QStringLiteral("song.mp3"), "HEADERaudio-bytes");
    QString f = Path(QStringLiteral("song.mp3"));
    ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), 0640), 0);
    SafeRewriteFile(f, [](TWFileStream& in, TWFileStream& out) {
        out.WriteBuffer("NEWTAG", 6);
        CopyStreamRange(in, 6, in.GetSize() - 6, out);
    });
    EXPECT_EQ(Contents(QStringLiteral("song.mp3")), QByteArray("NEWTAGaudio-bytes"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(f).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("song.mp3")}); // no temporary left
}

TEST_F(FileTest, FailedRewriteLeavesOriginalUntouched) {
    const QByteArray original("ORIGINAL-CONTENT");
    Write(QStringLiteral("song.mp3"), original);
    QString f = Path(QStringLiteral("song.mp3"));
    // The producer fails half-way.
    EXPECT_THROW(SafeRewriteFile(f,
                                 [](TWFileStream&, TWFileStream& out) {
                                     out.WriteBuffer("PARTIAL", 7);
                                     throw ESonvaleError(QStringLiteral("disk full"));
                                 }),
                 ESonvaleError);
    // Copying past the end of the original is a failure too.
    EXPECT_THROW(SafeRewriteFile(f,
                                 [](TWFileStream& in, TWFileStream& out) {
                                     CopyStreamRange(in, 0, in.GetSize() + 100, out);
                                 }),
                 EStreamError);
    EXPECT_EQ(Contents(QStringLiteral("song.mp3")), original);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("song.mp3")});

    // A read-only file is refused before anything is written.
    ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), 0444), 0);
    EXPECT_THROW(SafeRewriteFile(f, [](TWFileStream&, TWFileStream&) {}), EFOpenError);
    EXPECT_EQ(Contents(QStringLiteral("song.mp3")), original);
}

} // namespace

// The stream writer: chunks and progress, and a failed write that leaves the old file.
#include "tools/StreamWriter.h"
#include "support/AudioFixtures.h"
#include "tools/Progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class TRecordedProgress : public TProgress {
public:
    QList<int> Positions;
    void SetRange(int) override {}
    void SetPosition(int p) override { Positions.append(p); }
};

class StreamWriter : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    QStringList Entries() const {
        return dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(StreamWriter, WritesInChunksWithProgressAndEmptiesTheBuffer) {
    const QString target = dir.filePath(QStringLiteral("out.txt"));
    QByteArray data(kStreamWriterChunk + 1, 'x');
    data[kStreamWriterChunk] = 'y';
    TRecordedProgress progress;
    QString error = QStringLiteral("stale");
    ASSERT_TRUE(WriteStreamToFile(data, target, progress, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(progress.Positions, (QList<int>{100, 100})); // 65536 of 65537 rounds up
    EXPECT_EQ(fixtures::ReadFile(target), data);

    TFileStreamWriter writer;
    writer.Target = target;
    EXPECT_TRUE(writer.RunStreamWriter()); // an empty buffer gives an empty file
    EXPECT_EQ(QFileInfo(target).size(), 0);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.txt")});
}

TEST_F(StreamWriter, ReplacesAFileKeepingItsModeAndLinks) {
    const QString target = dir.filePath(QStringLiteral("list.m3u"));
    ASSERT_TRUE(fixtures::WriteFile(target, "old\r\n"));
    ::chmod(QFile::encodeName(target).constData(), 0640);
    const QString link = dir.filePath(QStringLiteral("link.m3u"));
    ASSERT_TRUE(QFile::link(target, link));
    TNullProgress progress;
    ASSERT_TRUE(WriteStreamToFile("new\r\n", link, progress, nullptr));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(fixtures::ReadFile(target), "new\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(StreamWriter, AFailedWriteLeavesTheOldFile) {
    const QString target = dir.filePath(QStringLiteral("list.m3u"));
    ASSERT_TRUE(fixtures::WriteFile(target, "old playlist\r\n"));
    TNullProgress progress;
    QString error;
    // A disk that fills up halfway: the file size limit stops the write.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit lim = old;
    lim.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lim), 0);
    const bool ok = WriteStreamToFile(QByteArray(300000, 'x'), target, progress, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible de créer le fichier")))
        << error.toStdString();
    EXPECT_EQ(fixtures::ReadFile(target), "old playlist\r\n");
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("list.m3u")}); // no temporary file left

    // A read-only file, a folder and a missing folder are refused the same way.
    ::chmod(QFile::encodeName(target).constData(), 0444);
    dir.mkdir(QStringLiteral("folder"));
    for (const QString& t : {target, dir.filePath(QStringLiteral("folder")),
                             dir.filePath(QStringLiteral("missing/list.m3u"))}) {
        error.clear();
        EXPECT_FALSE(WriteStreamToFile("new", t, progress, &error)) << t.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(fixtures::ReadFile(target), "old playlist\r\n");
}

} // namespace

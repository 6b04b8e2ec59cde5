// Names that are not valid UTF-8 (Latin-1 names of older collections): decoded to
// U+DC80..U+DCFF and back to the same bytes, so the file helpers, the folder scan and
// the CLI reach such files under their own names.
#include "support/AudioFixtures.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "io/WFileStream.h"
#include "tools/FolderScan.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TNameCase {
    QByteArray bytes;
    QString name;
};

// The bytes as escaped characters U+DC80..U+DCFF.
QString Escaped(std::initializer_list<uint8_t> bytes) {
    QString s;
    for (uint8_t b : bytes)
        s += QChar(char16_t(0xDC00 + b));
    return s;
}

TEST(FileNames, BytesAndNamesMapBothWays) {
    const std::vector<TNameCase> cases = {
        {"plain.mp3", QStringLiteral("plain.mp3")},
        {"caf\xc3\xa9", QStringLiteral("caf\u00e9")},
        {"caf\xe9.mp3", QStringLiteral("caf") + Escaped({0xe9}) + QStringLiteral(".mp3")},
        {"\xf0\x9f\x8e\xb5", QString::fromUtf8("\xf0\x9f\x8e\xb5")},
        // Overlong "/", an encoded surrogate, a cut sequence, past U+10FFFF: byte by byte.
        {"\xc0\xaf", Escaped({0xc0, 0xaf})},
        {"\xed\xa0\x80", Escaped({0xed, 0xa0, 0x80})},
        {"a\xe2\x82", QStringLiteral("a") + Escaped({0xe2, 0x82})},
        {"\xf4\x90\x80\x80", Escaped({0xf4, 0x90, 0x80, 0x80})},
    };
    for (const TNameCase& c : cases) {
        EXPECT_EQ(DecodeFileName(c.bytes), c.name) << c.bytes.toHex().constData();
        EXPECT_EQ(EncodeFileName(c.name), c.bytes) << c.bytes.toHex().constData();
    }
    // Any bytes come back as they were.
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes(1 + random.bounded(12), '\0');
        for (char& b : bytes)
            b = char(1 + random.bounded(255));
        ASSERT_EQ(EncodeFileName(DecodeFileName(bytes)), bytes) << bytes.toHex().constData();
    }
}

TEST(FileNames, NamesWithoutBytesAreRefusedNotGuessed) {
    for (const QString& name : {QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
                                QString(QChar(char16_t(0xD800))), QString(QChar(char16_t(0xDC41)))})
        EXPECT_TRUE(EncodeFileName(name).isEmpty());
    EXPECT_EQ(EncodeEscapedText(QString(QChar(char16_t(0xD800))) + QLatin1Char('x') +
                                QChar(char16_t(0xDCE9))),
              QByteArray("\xef\xbf\xbdx\xe9"));
    EXPECT_FALSE(WideFileExists(QStringLiteral("/etc/passwd") + QChar(0) + QStringLiteral("x")));
}

class Latin1Names : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray folder = dir.path().toUtf8();
    QByteArray raw = folder + "/Caf\xe9 \xabLive\xbb.mp3"; // Latin-1, as written on disk
    QString name = DecodeFileName(raw);

    void SetUp() override {
        const QByteArray audio = fixtures::SilentMp3Frames(4);
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, audio.constData(), size_t(audio.size())), audio.size());
        ::close(fd);
    }
    void TearDown() override {
        // QTemporaryDir cannot remove names that are not valid UTF-8.
        TWideSearchRec rec;
        for (int r = WideFindFirst(dir.path() + QStringLiteral("/*"), faAnyFile, rec); r == 0;
             r = WideFindNext(rec))
            WideDeleteFile(dir.path() + kPathDelim + rec.Name);
    }
    bool OnDisk(const QByteArray& bytes) const {
        struct stat st {};
        return ::stat(bytes.constData(), &st) == 0;
    }
    // The CLI with these arguments as raw bytes (QProcess would encode them as UTF-8).
    int Cli(const QList<QByteArray>& args, QByteArray* out) const {
        QByteArray cli(SONVALE_CLI_PATH);
        std::vector<char*> argv{cli.data()};
        QList<QByteArray> copies = args;
        for (QByteArray& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(pipeFds[1], 1);
            ::close(pipeFds[0]);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        QByteArray got;
        char buf[4096];
        for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
            got.append(buf, n);
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (out) *out = got;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(Latin1Names, AreListedReadTaggedAndRenamedUnderTheirOwnBytes) {
    QStringList found;
    TFolderScanHooks hooks;
    hooks.File = [&](const QString& f) { found << f; };
    ScanFolder(dir.path(), false, hooks);
    ASSERT_EQ(found, QStringList{name});
    ASSERT_TRUE(WideFileExists(name));
    EXPECT_EQ(WideFileSize(name), fixtures::SilentMp3Frames(4).size());
    TWideSearchRec rec;
    ASSERT_EQ(WideFindFirst(dir.path() + QStringLiteral("/*.mp3"), faAnyFile, rec), 0);
    EXPECT_EQ(rec.Name, WideExtractFileName(name));
    WideFindClose(rec);

    ASSERT_TRUE(WriteFileTags(name, QStringLiteral("Artist"), 2 | 1, {}, {}, {}, {}, {},
                              QStringLiteral("Title")));
    QStringList unified;
    ASSERT_TRUE(ReadFileTags(name, unified));
    EXPECT_TRUE(unified.contains(QStringLiteral("Title=Title"))) << unified.join(' ').toStdString();
    EXPECT_TRUE(OnDisk(raw));

    const QByteArray renamed = folder + "/D\xe9j\xe0.mp3";
    QString why;
    ASSERT_TRUE(WideRenameFile(name, DecodeFileName(renamed), &why)) << why.toStdString();
    EXPECT_TRUE(OnDisk(renamed));
    EXPECT_FALSE(OnDisk(raw));
}

TEST_F(Latin1Names, TheCliTakesAndPrintsTheBytes) {
    QByteArray out;
    ASSERT_EQ(Cli({"tags", "write", "--title", "T", raw}, nullptr), 0);
    ASSERT_EQ(Cli({"info", raw}, &out), 0);
    EXPECT_TRUE(out.startsWith(raw + '\n')) << out.constData();
    // JSON stays UTF-8: the byte is escaped as \udce9, which JSON readers give back.
    ASSERT_EQ(Cli({"info", "--json", folder}, &out), 0);
    EXPECT_TRUE(out.contains("\\udce9")) << out.constData();
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(o.value(QStringLiteral("path")).toString(), name);
    EXPECT_EQ(o.value(QStringLiteral("unified")).toObject().value(QStringLiteral("title")),
              QStringLiteral("T"));
}

} // namespace

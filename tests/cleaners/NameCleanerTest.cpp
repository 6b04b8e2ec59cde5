// The name cleaner on real files: list order, names that clash, what may not be renamed.
#include "tools/NameCleaner.h"
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

using namespace tagtools;

namespace {

// Every file of the folder with its content.
QMap<QString, QByteArray> Folder(const QDir& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        files.insert(name, fixtures::ReadFile(dir.filePath(name)));
    return files;
}

TEST(NameCleaner, RenamesInListOrderNeverOverAnotherFileAndDryRunForetellsIt) {
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    const QByteArray audio = fixtures::ReadFile(MakeMp3(dir, QStringLiteral("taken.mp3")));
    const struct {
        const char* name;
        const char* cleaned; // the name after the run
        const char* error;   // nullptr: renamed or left as it was
    } cases[] = {
        {"my_song  -  live.MP3", "my song live.mp3", nullptr},
        {"a_b.mp3", "a b.mp3", nullptr},
        {"a b.MP3", "a b.MP3", "the target exists"}, // cleans to the name the one above took
        {"taken_.mp3", "taken_.mp3", "the target exists"},
        {"keep.ogg", "keep.ogg", nullptr},
        {"___.mp3", "___.mp3", "the cleaned name would be empty"},
        {"  Spaced .Ogg", "Spaced.ogg", nullptr},
        {"gone_.mp3", "gone_.mp3", "No such file"},
    };
    TNameCleanerOptions options;
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QString path = dir.filePath(QString::fromUtf8(cases[i].name));
        if (QLatin1String(cases[i].name) != QLatin1String("gone_.mp3"))
            fixtures::WriteFile(path, audio + char(i)); // each file told apart by its last byte
        options.Paths << path;
    }
    options.Clean.UnderscoresToSpaces = options.Clean.MinusToSpaces = true;
    options.Clean.MergeSpaces = true;
    const QMap<QString, QByteArray> before = Folder(dir);

    for (const bool dryRun : {true, false}) {
        options.DryRun = dryRun;
        TScriptedPrompter prompter;
        TRecordingProgress progress;
        const TNameCleanerResult r = RunNameCleaner(options, progress, prompter);
        ASSERT_EQ(r.Files.size(), qsizetype(std::size(cases)));
        EXPECT_EQ(progress.Maximum, int(std::size(cases)));
        EXPECT_EQ(progress.Positions.last(), 0);
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const auto& c = cases[i];
            const TNameCleanEntry& e = r.Files[i];
            EXPECT_EQ(e.Error, c.error ? QString::fromUtf8(c.error) : QString()) << c.name;
            if (c.error)
                EXPECT_TRUE(prompter.Shown.last().Text.contains(e.OldPath)) << c.name;
            else
                EXPECT_EQ(e.NewPath, dir.filePath(QString::fromUtf8(c.cleaned)));
        }
        EXPECT_EQ(r.Failed, 4);
        EXPECT_EQ(prompter.Shown.size(), 1);
        EXPECT_EQ(prompter.Shown.last().Kind, mkError);
        if (dryRun) {
            EXPECT_EQ(Folder(dir), before);
        }
    }
    // Every file is still there with its own content, under its new name or its old one.
    const QMap<QString, QByteArray> after = Folder(dir);
    EXPECT_EQ(after.size(), before.size());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        if (QLatin1String(cases[i].name) != QLatin1String("gone_.mp3")) {
            EXPECT_EQ(after.value(QString::fromUtf8(cases[i].cleaned)), audio + char(i))
                << cases[i].cleaned;
        }
    }
}

TEST(NameCleaner, EmptyListAndNamesThatAreNotUtf8) {
    TScriptedPrompter prompter;
    TNullProgress progress;
    EXPECT_FALSE(RunNameCleaner({}, progress, prompter).Ran);
    EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Empty File List")});

    // A name that is not UTF-8 reaches a list (from a command line) with replacement
    // characters: it fails with its reason and the file stays.
    QTemporaryDir tmp;
    const QByteArray raw = QFile::encodeName(tmp.path()) + "/bad\xff_name.mp3";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    TNameCleanerOptions options;
    options.Paths << QFile::decodeName(raw);
    options.Clean.UnderscoresToSpaces = true;
    const TNameCleanerResult r = RunNameCleaner(options, progress, prompter);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_TRUE(r.Failures.value(0).Reason.contains(QStringLiteral("UTF-8")));
    EXPECT_EQ(::unlink(raw.constData()), 0);
}

// A FAT file system (through FUSE, which gives each spelling of a name its own inode):
// a change of letter case alone is made, a clash with another file's spelling is not.
TEST(NameCleaner, LetterCaseOnACaseInsensitiveFileSystem) {
    if (!fixtures::HaveProgram(QStringLiteral("mkfs.fat")) ||
        !fixtures::HaveProgram(QStringLiteral("fusefat")))
        GTEST_SKIP() << "mkfs.fat or fusefat missing";
    QTemporaryDir tmp;
    const QString image = tmp.filePath(QStringLiteral("fat.img")), mnt = tmp.filePath("mnt");
    QDir().mkpath(mnt);
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(8 << 20));
    file.close();
    if (fixtures::RunProgram(QStringLiteral("mkfs.fat"), {image}) != 0 ||
        fixtures::RunProgram(QStringLiteral("fusefat"), {"-o", "rw+", image, mnt}) != 0)
        GTEST_SKIP() << "no FAT file system could be mounted";
    struct TUnmount {
        QString Dir;
        ~TUnmount() { fixtures::RunProgram(QStringLiteral("fusermount"), {"-u", Dir}); }
    } unmount{mnt};
    const QStringList names = {"Case.MP3", "X Y.mp3", "x_y.mp3"};
    TNameCleanerOptions options;
    for (int i = 0; i < names.size(); ++i) {
        options.Paths << mnt + '/' + names[i];
        ASSERT_TRUE(fixtures::WriteFile(options.Paths.last(), QByteArray(1000, char('a' + i))));
    }
    options.Clean.UnderscoresToSpaces = options.Clean.CaseFormatting = true;
    options.Clean.CaseFormat = cfLower;
    TScriptedPrompter prompter;
    TNullProgress progress;
    const TNameCleanerResult r = RunNameCleaner(options, progress, prompter);
    EXPECT_EQ(r.Renamed, 2);
    ASSERT_EQ(r.Failures.size(), 1);
    EXPECT_EQ(r.Failures[0].Reason, QStringLiteral("the target exists"));
    EXPECT_EQ(QDir(mnt).entryList(QDir::Files), (QStringList{"case.mp3", "x y.mp3", "x_y.mp3"}));
    EXPECT_EQ(fixtures::ReadFile(mnt + "/x y.mp3"), QByteArray(1000, 'b'));
    EXPECT_EQ(fixtures::ReadFile(mnt + "/x_y.mp3"), QByteArray(1000, 'c'));
}

TEST(NameCleaner, CancelStopsAfterTheCurrentFile) {
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    TNameCleanerOptions options;
    for (const char* name : {"a_1.mp3", "b_2.mp3"}) {
        options.Paths << dir.filePath(QString::fromLatin1(name));
        fixtures::WriteFile(options.Paths.last(), QByteArray("x"));
    }
    options.Clean.UnderscoresToSpaces = true;
    TScriptedPrompter prompter;
    TStoppingProgress progress(1);
    const TNameCleanerResult r = RunNameCleaner(options, progress, prompter);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(progress.Items, QStringList{QStringLiteral("1 / 2 ") + options.Paths[0]});
    EXPECT_EQ(dir.entryList(QDir::Files), (QStringList{"a 1.mp3", "b_2.mp3"}));
    EXPECT_EQ(prompter.Texts(), QStringList{StoppedMessage(1, 2)});
}

} // namespace

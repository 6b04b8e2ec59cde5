#include "OrganizeSupport.h"

#include "io/SonvaleError.h"
#include "tools/Organizer.h"
#include "tools/SafeNames.h"

#include <QTemporaryDir>

using namespace organize;
using S = TOrganizeStatus;

namespace {

TEST(SafeNames, PartsFromTagsStayInsideTheirFolder) {
    const QString e = QStringLiteral("\u00e9"), note = QStringLiteral("\U0001F3B5");
    struct {
        QString Text;
        bool Ok;
        QStringList Parts;
    } cases[] = {
        {" A \\\\ \\B\u0001C\n", true, {"A", "BC"}},
        {"A\\..\\..\\x", false, {}},
        {"...", true, {"..."}},
        {e.repeated(300), true, {e.repeated(127)}}, // 254 bytes of UTF-8
        {note.repeated(70), true, {note.repeated(63)}},
    };
    for (const auto& c : cases) {
        QStringList parts;
        EXPECT_EQ(SafeFolderParts(c.Text, parts), c.Ok) << c.Text.toStdString();
        EXPECT_EQ(parts, c.Parts) << c.Text.toStdString();
    }
    EXPECT_EQ(SafeFileName(" \t", ".mp3"), QString());
    EXPECT_EQ(SafeFileName(e.repeated(200), ".mp3").toUtf8().size(), 254);
}

TEST(Organizer, BuildsTargetsFromTheTagsAndNeverLeavesTheBase) {
    const QString a = "artist", b = "album", t = "title", n = "track", e = "\u00e9";
    const struct {
        TTags Tags;
        QString File; // below the temporary folder, as the target
        QString Ask;  // "r PATTERN" renames, "m PATTERN" moves into "base"
        S Status;
        QString Target; // empty when none is built
    } cases[] = {
        {{{a, "A"}}, "a.mp3", "", S::Unchanged, "a.mp3"},
        {{{a, "R.E.M."}, {b, "Out"}}, "a.mp3", "m %1\\%3", S::Moved, "base/R.E.M./Out/a.mp3"},
        {{{a, "R.E.M."}}, "a.mp3", "m %1\\%3", S::IncompleteTags, ""},
        {{{a, "Various Artists."}}, "a.mp3", "m %1", S::Moved, "base/Various Artists/a.mp3"},
        {{{a, "A"}, {b, "B"}, {t, "Why? Not"}},
         "a.MP3",
         "r %1 - %3 - %2",
         S::Renamed,
         "A - B - Why Not.MP3"},
        {{{t, "T"}, {n, "3/12"}}, "a.mp3", "r %6 - %2", S::Renamed, "01 - T.mp3"},
        {{{t, "T"}}, "X./a.mp3", "r %2", S::Renamed, "X./T.mp3"}, // its own folder's dot stays
        {{{a, "A\\..\\..\\x"}}, "a.mp3", "m %1", S::Failed, ""},
        {{{a, ".."}}, "a.mp3", "m %1", S::Failed, ""},
        {{{t, "  "}}, "a.mp3", "r %2", S::Failed, ""},
        {{{t, "A\u0001B"}}, "a.mp3", "r %2", S::Renamed, "AB.mp3"},
        {{{t, e.repeated(300)}}, "a.mp3", "r %2", S::Renamed, e.repeated(125) + ".mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.Ask + " " + c.Tags[0].second).toStdString());
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        dir.mkpath("base");
        const QString source = Song(dir, c.File, c.Tags);
        const QByteArray bytes = fixtures::ReadFile(source);
        TOrganizerOptions o;
        o.Paths = {source};
        o.Rename = c.Ask.startsWith('r');
        o.Move = c.Ask.startsWith('m');
        (o.Rename ? o.RenamePattern : o.SubDirPattern) = c.Ask.mid(2);
        o.BaseDir = dir.filePath("base/");
        QList<TOrganizedFile> told;
        o.FileDone = [&](const TOrganizedFile& f) { told.append(f); };
        TNullProgress progress;
        TScriptedPrompter prompter;
        prompter.Answers.enqueue(mrNo);
        RunOrganizer(o, progress, prompter);
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told[0].Status, c.Status) << told[0].Reason.toStdString();
        const QString target = c.Target.isEmpty() ? QString() : dir.filePath(c.Target);
        EXPECT_EQ(told[0].NewPath, target);
        const QString now = c.Status == S::Moved || c.Status == S::Renamed ? target : source;
        EXPECT_EQ(fixtures::ReadFile(now), bytes);
        EXPECT_EQ(Files(tmp.path()).size(), 1);
    }
}

class OrganizerRun : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
    QList<TOrganizedFile> told;

    TOrganizerResult Run(TOrganizerOptions o) {
        told.clear();
        o.FileDone = [this](const TOrganizedFile& f) { told.append(f); };
        TNullProgress progress;
        return RunOrganizer(o, progress, prompter);
    }
};

TEST_F(OrganizerRun, CountsAndTellsEveryFileThatStays) {
    // Files that collide, exist, vanished or are damaged, among ones that are renamed.
    TOrganizerOptions o;
    o.Rename = true;
    o.RenamePattern = "%1 - %2";
    o.KeepGoing = true;
    const TTags at = {{"artist", "A"}, {"title", "T"}};
    o.Paths << Song(dir, "a.mp3", at) << Song(dir, "b.mp3", at)
            << Song(dir, "c.mp3", {{"artist", "C"}, {"title", "U"}}) << dir.filePath("gone.mp3")
            << dir.filePath("bad.mp3") << Song(dir, "e - x.mp3", {{"artist", "E"}, {"title", "X"}});
    fixtures::WriteFile(dir.filePath("C - U.mp3"), "the user's own");
    fixtures::WriteFile(dir.filePath("bad.mp3"), QByteArray("ID3\x03\0\0\x7f\x7f\x7f\x7fjunk", 14));
    const auto before = Files(tmp.path());
    TOrganizerOptions dry = o;
    dry.DryRun = true;
    Run(dry);
    const QList<TOrganizedFile> planned = told;
    EXPECT_EQ(Files(tmp.path()), before); // the dry run touched nothing
    const TOrganizerResult r = Run(o);
    ASSERT_EQ(told.size(), planned.size());
    for (int i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].Status, planned[i].Status) << i;
        EXPECT_EQ(told[i].NewPath, planned[i].NewPath) << i;
    }
    EXPECT_EQ(r.Renamed, 2);
    QStringList reasons;
    for (const TOrganizedFile& f : r.Failures)
        reasons << QFileInfo(f.OldPath).fileName() + ": " + f.Reason;
    EXPECT_EQ(reasons, (QStringList{"b.mp3: another file of this run was given the same name",
                                    "c.mp3: the target exists", "gone.mp3: No such file",
                                    "bad.mp3: Invalid MPEG file " + dir.filePath("bad.mp3")}));
    EXPECT_EQ(fixtures::ReadFile(dir.filePath("C - U.mp3")), "the user's own");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("E - X.mp3")));
    ASSERT_FALSE(prompter.Shown.isEmpty());
    EXPECT_TRUE(prompter.Shown.last().Text.startsWith("4 files could not be moved or renamed:"));
    EXPECT_FALSE(prompter.Texts().contains("Done !"));
    EXPECT_EQ(Files(tmp.path()).size(), before.size());

    // Without KeepGoing a damaged file ends the run at that file, as its reader's error.
    TOrganizerOptions stop = o;
    stop.KeepGoing = false;
    stop.Paths = {dir.filePath("bad.mp3"), dir.filePath("b.mp3")};
    EXPECT_THROW(Run(stop), ESonvaleError);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(OrganizerRun, AsksAboutIncompleteTagsAndRefusesAMissingBase) {
    TOrganizerOptions o;
    o.Move = true;
    o.BaseDir = dir.filePath("nowhere/");
    o.Paths << Song(dir, "1.mp3", {}) << Song(dir, "2.mp3", {{"album", "B"}})
            << Song(dir, "3.mp3", {});
    EXPECT_FALSE(Run(o).Ran);
    EXPECT_EQ(prompter.Texts(),
              QStringList{"Invalid Output Directory. Please use the Setup form to "
                          "choose a valid output directory."});
    EXPECT_TRUE(told.isEmpty());

    o.BaseDir = dir.filePath("out");
    dir.mkpath("out");
    prompter.Answers.enqueue(mrYes);
    const TOrganizerResult r = Run(o);
    EXPECT_TRUE(r.LoadIntoEditor);
    EXPECT_EQ(r.IncompleteTags, o.Paths);
    EXPECT_EQ(prompter.Shown.last().Text,
              "3 files could not be moved or renamed due to incomplete tags. Do you want to load "
              "this list into the tag editor ?");

    // A level of the target that is a file: the folder cannot be made, the file stays.
    fixtures::WriteFile(dir.filePath("out/A"), "x");
    o.Paths = {Song(dir, "4.mp3", {{"artist", "A"}})};
    Run(o);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].Reason.startsWith("the folder " + dir.filePath("out/A") + " could not"));
    EXPECT_TRUE(QFileInfo::exists(o.Paths[0]));
}

TEST_F(OrganizerRun, MovesOntoAnotherFileSystemByteForByte) {
    QTemporaryDir other(QStringLiteral("/dev/shm/sonvale-XXXXXX"));
    if (!other.isValid() || SameDevice(tmp.path(), other.path()))
        GTEST_SKIP() << "no second file system";
    TOrganizerOptions o;
    o.Move = o.Rename = true;
    o.SubDirPattern = "%1\\%3";
    o.RenamePattern = "%6 - %2";
    o.BaseDir = other.path();
    for (const QString i : {"1", "2", "3"})
        o.Paths << Song(
            dir, "in/" + i + ".mp3",
            {{"artist", "Bj\u00f6rk"}, {"album", "Homogenic"}, {"title", i}, {"track", i}});
    const auto before = Files(tmp.path());
    const TOrganizerResult r = Run(o);
    EXPECT_EQ(r.Moved, 3);
    EXPECT_EQ(prompter.Texts(), QStringList{"Done !"});
    EXPECT_TRUE(Files(tmp.path()).isEmpty());
    const auto after = Files(other.path());
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after.value("Bj\u00f6rk/Homogenic/02 - 2.mp3"), before.value("in/2.mp3"));
}

} // namespace

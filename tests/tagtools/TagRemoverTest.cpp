#include "TagToolsSupport.h"

#include "io/SonvaleError.h"
#include "support/ScriptedPrompter.h"
#include "tools/MultiTagger.h"
#include "tools/TagRemover.h"

#include <QTemporaryDir>

using namespace tagtools;

namespace {

const QString kDone = QStringLiteral("MetaTags successfully removed from all files.");
const QString kErrors = QStringLiteral("Errors have occured while removing metatags");

// A small ID3v2.3 tag with a title frame.
QByteArray Id3v23Title(const char* title) {
    QByteArray body = QByteArray(1, '\0') + QByteArray(title);
    QByteArray frame = QByteArray("TIT2");
    fixtures::PutBE32(frame, uint32_t(body.size()));
    frame += QByteArray(2, '\0') + body;
    QByteArray tag("ID3\x03\x00\x00", 6);
    const uint32_t n = uint32_t(frame.size());
    for (int shift : {21, 14, 7, 0})
        tag += char((n >> shift) & 0x7F);
    return tag + frame;
}

class TagRemover : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
    TRecordingProgress progress;

    TTagRemoverResult Run(const QStringList& paths, int kinds) {
        TTagRemoverOptions o;
        o.Paths = paths;
        o.Kinds = kinds;
        return RunTagRemover(o, progress, prompter);
    }
    // An MP3 carrying the given tag kinds with a title.
    QString Tagged(const QString& name, int kinds) {
        const QString p = MakeMp3(dir, name);
        EXPECT_TRUE(WriteFileTags(p, QStringLiteral("Artist"), kinds, {}, QStringLiteral("1"), {},
                                  {}, {}, QStringLiteral("Title")));
        return p;
    }
};

TEST_F(TagRemover, RemovingId3v1ShortensTheFileBy128Bytes) {
    const QString plain = MakeMp3(dir, QStringLiteral("plain.mp3"));
    const QByteArray audio = fixtures::ReadFile(plain);
    const QString a = Tagged(QStringLiteral("a.mp3"), 1);
    const QByteArray before = fixtures::ReadFile(a);
    ASSERT_EQ(before.size(), audio.size() + 128);
    ASSERT_TRUE(before.right(128).startsWith("TAG"));

    const TTagRemoverResult r = Run({a}, 1);
    EXPECT_TRUE(r.Result);
    EXPECT_EQ(prompter.Texts(), QStringList{kDone});
    EXPECT_EQ(fixtures::ReadFile(a), audio);
    if (HaveMutagen()) {
        EXPECT_TRUE(Mutagen(a, kEasyTags).isEmpty());
    }
}

TEST_F(TagRemover, RemovingApev2KeepsTheId3v1BlockAtTheEnd) {
    const QString a = Tagged(QStringLiteral("a.mp3"), 1 | 4);
    const QByteArray before = fixtures::ReadFile(a);
    ASSERT_TRUE(before.contains("APETAGEX"));
    ASSERT_TRUE(before.right(128).startsWith("TAG"));

    EXPECT_TRUE(Run({a}, 4).Result);
    const QByteArray after = fixtures::ReadFile(a);
    EXPECT_FALSE(after.contains("APETAGEX"));
    EXPECT_EQ(after.right(128), before.right(128));
    EXPECT_LT(after.size(), before.size());
    EXPECT_EQ(U(a, "title"), "Title"); // now from the ID3v1 block
}

TEST_F(TagRemover, ProgressStepsAreRoundedToTheNearestPercent) {
    QStringList files;
    for (const char* n : {"1.mp3", "2.mp3", "3.mp3"})
        files << Tagged(QString::fromLatin1(n), 2);
    EXPECT_TRUE(Run(files, 2).Result);
    EXPECT_EQ(progress.Maximum, 100);
    EXPECT_EQ(progress.Positions, (QList<int>{33, 67, 100, 0}));
}

TEST_F(TagRemover, KindsOutsideAFormatAreIgnored) {
    const QString ogg = MakeOgg(dir, QStringLiteral("a.ogg"), QStringLiteral("Song"));
    const QByteArray oggBefore = fixtures::ReadFile(ogg);
    const QString wav = MakeWav(dir, QStringLiteral("a.wav"));
    fixtures::WriteFile(wav, Id3v23Title("Song") + fixtures::ReadFile(wav));
    const QByteArray wavBefore = fixtures::ReadFile(wav);

    // ID3 and APE kinds leave an Ogg file as it is; Vorbis comments mean nothing to WAVE.
    EXPECT_TRUE(Run({ogg}, 7).Result);
    EXPECT_EQ(fixtures::ReadFile(ogg), oggBefore);
    EXPECT_TRUE(Run({wav}, 8).Result);
    EXPECT_EQ(fixtures::ReadFile(wav), wavBefore);

    EXPECT_TRUE(Run({ogg, wav}, 15).Result);
    EXPECT_EQ(U(ogg, "title"), "");
    EXPECT_FALSE(fixtures::ReadFile(wav).startsWith("ID3"));
    EXPECT_TRUE(fixtures::ReadFile(wav).startsWith("RIFF"));
    if (HaveMutagen()) {
        EXPECT_TRUE(Mutagen(ogg, kEasyTags).isEmpty());
    }
}

TEST_F(TagRemover, ReadOnlyAndDamagedFiles) {
    const QString ogg = MakeOgg(dir, QStringLiteral("ro.ogg"), QStringLiteral("Song"));
    const QString mp3 = Tagged(QStringLiteral("ro.mp3"), 2);
    const QString ok = Tagged(QStringLiteral("ok.mp3"), 2);
    SetReadOnly(ogg);
    SetReadOnly(mp3);
    const QByteArray oggBefore = fixtures::ReadFile(ogg), mp3Before = fixtures::ReadFile(mp3);

    // The Vorbis comment remover reports a read-only file as a failure...
    EXPECT_FALSE(Run({ogg}, 8).Result);
    EXPECT_EQ(fixtures::ReadFile(ogg), oggBefore);
    // ...the ID3v2 remover refuses it with the open error, which ends the run there.
    prompter.Shown.clear();
    EXPECT_THROW(Run({mp3, ok}, 2), ESonvaleError);
    EXPECT_TRUE(prompter.Shown.isEmpty());
    EXPECT_EQ(fixtures::ReadFile(mp3), mp3Before);
    EXPECT_TRUE(fixtures::ReadFile(ok).startsWith("ID3"));

    // A caller that reports per file goes on to the next one.
    const QString bad = dir.filePath(QStringLiteral("bad.wav"));
    fixtures::WriteFile(bad, QByteArray("RIFF"));
    TTagRemoverOptions o;
    o.Paths = {mp3, bad, ok};
    o.Kinds = 2;
    o.KeepGoing = true;
    QStringList errors;
    o.FileDone = [&](const QString&, bool done, const QString& e) {
        if (!done) errors << e;
    };
    const TTagRemoverResult r = RunTagRemover(o, progress, prompter);
    EXPECT_EQ(r.Failed, 2);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_FALSE(fixtures::ReadFile(ok).startsWith("ID3"));
    EXPECT_EQ(fixtures::ReadFile(mp3), mp3Before);
}

} // namespace

// Both batch tools stop after the file during which Cancel was pressed; what was done
// stays done and the closing message counts the handled files.
TEST(StoppedRuns, EndAfterTheCurrentFileAndSayHowManyWereHandled) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QStringList paths;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        paths << MakeMp3(dir, QString::fromLatin1(name), QStringLiteral("T"));
    const QString rest = QStringLiteral(" files were handled, the others were left as they were.");

    TScriptedPrompter prompter;
    TStoppingProgress tagging(2);
    TMultiTaggerOptions tag;
    tag.Paths = paths;
    tag.Artist = tag.Album = tag.Year = tag.Genre = tag.Comments = QStringLiteral("1999");
    const TMultiTaggerResult tagged = RunMultiTagger(tag, tagging, prompter);
    EXPECT_TRUE(tagged.Stopped);
    EXPECT_EQ(tagged.Written, 2);
    EXPECT_EQ(tagging.Items, QStringList({"1 / 3 " + paths[0], "2 / 3 " + paths[1]}));
    EXPECT_EQ(U(paths[1], "artist"), "1999");
    EXPECT_EQ(U(paths[2], "artist"), "");

    TStoppingProgress removing(1);
    TTagRemoverOptions remove;
    remove.Paths = paths;
    const TTagRemoverResult removed = RunTagRemover(remove, removing, prompter);
    EXPECT_TRUE(removed.Stopped);
    EXPECT_EQ(removed.Handled, 1);
    EXPECT_EQ(U(paths[0], "title"), "");
    EXPECT_EQ(U(paths[1], "title"), "T");
    EXPECT_EQ(prompter.Texts(), QStringList({"Stopped: 2 of 3" + rest, "Stopped: 1 of 3" + rest}));
}

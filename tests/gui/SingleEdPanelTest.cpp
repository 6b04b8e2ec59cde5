// The single-file tag editor driven by its control names, with scripted answers and
// real encoded files.
#include "gui/SingleEdPanel.h"
#include "GuiMain.h"
#include "audio/FileTags.h"
#include "gui/MainDlg.h"
#include "gui/QueueEditorDlg.h"
#include "gui/TrackNameEditDlg.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tags/MetaTag.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

const char* const kUnsaved = "Some modifications have not been saved. Continue anyway ?";

class SingleEdPanel : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        QLocale::setDefault(QLocale::c());
        prompter = std::make_shared<TScriptedPrompter>();
        TestApp().ErrorPrompter = prompter;
        dlg = std::make_unique<TMainDlg>(prompter);
        panel = dlg->SingleFileEditor;
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override { TestApp().ErrorPrompter.reset(); }

    template <class T> T* Find(const char* name) {
        auto* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name) {
        auto* b = Find<QAbstractButton>(name);
        if (b) QTest::mouseClick(b, Qt::LeftButton);
    }
    QString Text(const char* name) {
        if (auto* e = dlg->findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text();
        if (auto* c = dlg->findChild<QComboBox*>(QString::fromLatin1(name)))
            return c->currentText();
        if (auto* l = dlg->findChild<QLabel*>(QString::fromLatin1(name))) return l->text();
        ADD_FAILURE() << name;
        return {};
    }
    // An MP3 whose title is `title` (no tags when empty).
    QString Mp3(const QString& name, const QString& title = QString()) {
        const QString path = dir.filePath(name);
        EncodeOptions o;
        o.seconds = 0.3;
        QString error;
        EXPECT_TRUE(EncodeMp3(path, o, &error)) << error.toStdString();
        if (!title.isEmpty()) {
            EXPECT_TRUE(WriteFileTags(path, "Someone", 2, {}, {}, {}, {}, {}, title));
        }
        return path;
    }
    QString Ogg(const QString& name) {
        const QString path = dir.filePath(name);
        EncodeOptions o;
        o.seconds = 0.3;
        QString error;
        EXPECT_TRUE(EncodeOgg(path, o, &error)) << error.toStdString();
        return path;
    }
    QString Unified(const QString& path, const char* name) {
        QStringList fields;
        EXPECT_TRUE(ReadFileTags(path, fields));
        TMetaTag m;
        m.Fields = fields;
        return m.Value(QString::fromLatin1(name));
    }
    // Runs `body` on the modal dialog once it is shown.
    template <class T> void OnModal(std::function<void(T*)> body) {
        QTimer::singleShot(0, [body] {
            auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            body(d);
        });
    }

    QTemporaryDir dir;
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
    TSingleEdPanel* panel = nullptr;
};

} // namespace

TEST_F(SingleEdPanel, GenreListIsSortedIgnoringCase) {
    auto* genre = Find<QComboBox>("sngedgenre_txt");
    ASSERT_TRUE(genre->isEditable());
    ASSERT_EQ(genre->count(), 148);
    for (int i = 1; i < genre->count(); ++i)
        EXPECT_LE(genre->itemText(i - 1).compare(genre->itemText(i), Qt::CaseInsensitive), 0)
            << genre->itemText(i).toStdString();
    EXPECT_EQ(Text("sngedqueue_lbl"), "Empty Queue");
    EXPECT_EQ(Text("sngedsize_lbl"), "Size :");
}

TEST_F(SingleEdPanel, QueueStepsAndItsQuestions) {
    const QString a = Mp3("a.mp3", "First"), b = Mp3("b.mp3", "Second");
    dlg->LoadSingleFileQueue({a, b});
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    EXPECT_EQ(Text("sngedqueue_lbl"), "1 / 2");
    EXPECT_EQ(Text("sngedpath_txt"), a);
    EXPECT_EQ(Text("sngedtitle_txt"), "First");
    EXPECT_EQ(Text("sngedid3v2_lbl"), "Found");
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Not found");
    auto* bar = Find<QProgressBar>("snged_prg");
    EXPECT_EQ(bar->maximum(), 2);
    EXPECT_EQ(bar->value(), 1);

    Click("sngedqueuenext_btn");
    EXPECT_EQ(Text("sngedqueue_lbl"), "2 / 2");
    EXPECT_EQ(Text("sngedtitle_txt"), "Second");
    EXPECT_EQ(bar->value(), 2);
    // At the end without changes: nothing happens, nothing is asked.
    Click("sngedqueuenext_btn");
    EXPECT_EQ(Text("sngedqueue_lbl"), "2 / 2");
    EXPECT_TRUE(prompter->Shown.isEmpty());

    // Typing marks the fields modified; ">>>" asks with a warning even at the end.
    QTest::keyClicks(Find<QLineEdit>("sngedartist_txt"), "Typed");
    EXPECT_TRUE(panel->Modified());
    prompter->Answers << mrNo << mrYes;
    Click("sngedqueuenext_btn");
    Click("sngedqueuenext_btn");
    ASSERT_EQ(prompter->Shown.size(), 2);
    EXPECT_EQ(prompter->Shown[0].Text, kUnsaved);
    EXPECT_EQ(prompter->Shown[0].Kind, mkWarning);
    EXPECT_EQ(Text("sngedqueue_lbl"), "2 / 2");
    EXPECT_EQ(Text("sngedartist_txt"), "Someone"
                                       "Typed");

    // "<<<" asks a question; No keeps everything, Yes loads the previous entry.
    prompter->Answers << mrNo;
    Click("sngedqueueprev_btn");
    ASSERT_EQ(prompter->Shown.size(), 3);
    EXPECT_EQ(prompter->Shown[2].Text, kUnsaved);
    EXPECT_EQ(prompter->Shown[2].Kind, mkQuestion);
    EXPECT_EQ(Text("sngedartist_txt"), "SomeoneTyped");
    EXPECT_EQ(Text("sngedpath_txt"), b);
    EXPECT_TRUE(panel->Modified());
    prompter->Answers << mrYes;
    Click("sngedqueueprev_btn");
    EXPECT_EQ(Text("sngedqueue_lbl"), "1 / 2");
    EXPECT_EQ(Text("sngedtitle_txt"), "First");
    EXPECT_EQ(Text("sngedartist_txt"), "Someone");
    EXPECT_FALSE(panel->Modified());
    EXPECT_EQ(bar->value(), 1);
    // At the start: nothing.
    Click("sngedqueueprev_btn");
    EXPECT_EQ(Text("sngedqueue_lbl"), "1 / 2");
    EXPECT_EQ(prompter->Shown.size(), 4);
    // Nothing was written by stepping.
    EXPECT_EQ(Unified(b, "artist"), "Someone");
}

TEST_F(SingleEdPanel, PanelSwitchAsksWhenModifiedAndShowingEmptiesTheQueue) {
    const QString a = Mp3("a.mp3", "First");
    dlg->LoadSingleFileQueue({a, a + "x.mp3"});
    ASSERT_EQ(panel->Queue.size(), 2);
    // Showing the panel again, even while it is shown, empties the queue only.
    dlg->ShowToolPanel(TToolPanel::SingleFile);
    EXPECT_TRUE(panel->Queue.isEmpty());
    EXPECT_EQ(panel->QueuePos, -1);
    EXPECT_EQ(Text("sngedqueue_lbl"), "Empty Queue");
    EXPECT_EQ(Text("sngedpath_txt"), a);
    EXPECT_EQ(Text("sngedtitle_txt"), "First");

    QTest::keyClick(Find<QLineEdit>("sngedyear_txt"), Qt::Key_2);
    prompter->Answers << mrNo << mrYes;
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Text, kUnsaved);
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Organizer);
    EXPECT_EQ(Text("sngedyear_txt"), "2");
}

TEST_F(SingleEdPanel, AQueueFromAnotherToolWaitsForUnsavedEdits) {
    const QString a = Mp3("a.mp3", "First"), b = Mp3("b.mp3", "Second");
    dlg->LoadSingleFileQueue({a});
    QTest::keyClick(Find<QLineEdit>("sngedyear_txt"), Qt::Key_2);
    // "No" keeps the file being edited, its typing and its queue.
    prompter->Answers << mrNo;
    dlg->LoadSingleFileQueue({b});
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Text, kUnsaved);
    EXPECT_EQ(panel->Queue, QStringList{a});
    EXPECT_EQ(Text("sngedpath_txt"), a);
    EXPECT_EQ(Text("sngedyear_txt"), "2");
    // "Yes" gives the new queue, its first file loaded (the step to it asks once more).
    prompter->Answers << mrYes << mrYes;
    dlg->LoadSingleFileQueue({b});
    EXPECT_EQ(panel->Queue, QStringList{b});
    EXPECT_EQ(Text("sngedtitle_txt"), "Second");
}

TEST_F(SingleEdPanel, EditsByKeyboardOrMouseCountAsModifications) {
    const QString a = Mp3("a.mp3", "First");
    dlg->LoadSingleFileQueue({a});
    EXPECT_FALSE(panel->Modified());
    QTest::keyClick(Find<QComboBox>("sngedgenre_txt"), Qt::Key_R);
    EXPECT_TRUE(panel->Modified());
    Click("sngedreload_btn");
    EXPECT_FALSE(panel->Modified());
    QTest::keyClick(Find<QPlainTextEdit>("sngedcomments_txt"), Qt::Key_X);
    EXPECT_TRUE(panel->Modified());
    Click("sngedreload_btn");
    // Pasting with the mouse has no key press.
    QGuiApplication::clipboard()->setText("Pasted");
    Find<QLineEdit>("sngedalbum_txt")->paste();
    EXPECT_TRUE(panel->Modified());
}

TEST_F(SingleEdPanel, UpdateWritesEveryKindTheFileSupports) {
    const QString mp3 = Mp3("a.mp3"), ogg = Ogg("b.ogg");
    dlg->LoadSingleFileQueue({mp3, ogg});
    QTest::keyClicks(Find<QLineEdit>("sngedartist_txt"), "Artist");
    QTest::keyClicks(Find<QLineEdit>("sngedyear_txt"), "200345");
    QTest::keyClicks(Find<QLineEdit>("sngedtrack_txt"), "123");
    QTest::keyClicks(Find<QComboBox>("sngedgenre_txt"), "Jazz");
    auto* comments = Find<QPlainTextEdit>("sngedcomments_txt");
    QTest::keyClicks(comments, "one");
    QTest::keyClick(comments, Qt::Key_Return);
    QTest::keyClicks(comments, "two");
    Click("sngedupdate_btn");
    EXPECT_TRUE(prompter->Shown.isEmpty());
    EXPECT_FALSE(panel->Modified());
    EXPECT_EQ(Unified(mp3, "artist"), "Artist");
    EXPECT_EQ(Unified(mp3, "year"), "2003");
    EXPECT_EQ(Unified(mp3, "track"), "12");
    EXPECT_EQ(Unified(mp3, "genre"), "Jazz");
    EXPECT_EQ(Unified(mp3, "comments"), "one\r\ntwo");
    EXPECT_TRUE(ReadFile(mp3).right(128).startsWith("TAG"));
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Found");
    EXPECT_EQ(Text("sngedid3v2_lbl"), "Found");
    EXPECT_EQ(Text("sngedapev2_lbl"), "Found");
    EXPECT_EQ(Text("sngedvorbis_lbl"), "Not found");
    // The reloaded fields show what was written.
    EXPECT_EQ(comments->toPlainText(), "one\ntwo");
    EXPECT_TRUE(Text("sngedsize_lbl").startsWith("Size : "));
    EXPECT_EQ(Text("sngedsamplerate_lbl"), "Sample Rate : 44 KHz");

    Click("sngedqueuenext_btn");
    EXPECT_EQ(Text("sngedpath_txt"), ogg);
    QTest::keyClicks(Find<QLineEdit>("sngedtitle_txt"), "Song");
    Click("sngedupdate_btn");
    EXPECT_EQ(Unified(ogg, "title"), "Song");
    EXPECT_EQ(Text("sngedvorbis_lbl"), "Found");
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Not found");
    EXPECT_EQ(Text("sngedapev2_lbl"), "Not found");
    EXPECT_FALSE(ReadFile(ogg).contains("APETAGEX"));
}

TEST_F(SingleEdPanel, PerKindButtonsWriteAndRemoveOneKind) {
    const QString mp3 = Mp3("a.mp3");
    dlg->LoadSingleFileQueue({mp3});
    QTest::keyClicks(Find<QLineEdit>("sngedtitle_txt"), "Only v2");
    Click("sngedid3v2add_btn");
    EXPECT_EQ(Text("sngedid3v2_lbl"), "Found");
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Not found");
    EXPECT_EQ(Text("sngedapev2_lbl"), "Not found");
    Click("sngedid3v1add_btn");
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Found");
    const qint64 size = QFileInfo(mp3).size();
    // A removal does not consult the modified flag and reloads.
    QTest::keyClicks(Find<QLineEdit>("sngedalbum_txt"), "Unsaved");
    Click("sngedid3v1del_btn");
    EXPECT_TRUE(prompter->Shown.isEmpty());
    EXPECT_EQ(QFileInfo(mp3).size(), size - 128);
    EXPECT_EQ(Text("sngedid3v1_lbl"), "Not found");
    EXPECT_EQ(Text("sngedalbum_txt"), "");
    EXPECT_EQ(Text("sngedtitle_txt"), "Only v2");
    Click("sngedremove_btn");
    EXPECT_EQ(Text("sngedid3v2_lbl"), "Not found");
    EXPECT_EQ(Text("sngedtitle_txt"), "");
}

TEST_F(SingleEdPanel, UnwritableFileKeepsTheModifiedFlag) {
    const QString mp3 = Mp3("a.mp3");
    dlg->LoadSingleFileQueue({mp3});
    ASSERT_TRUE(QFile::setPermissions(mp3, QFile::ReadOwner));
    QTest::keyClicks(Find<QLineEdit>("sngedtitle_txt"), "Lost?");
    Click("sngedid3v1add_btn");
    QFile::setPermissions(mp3, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(Text("sngedtitle_txt"), "Lost?");
    EXPECT_TRUE(panel->Modified());
    prompter->Answers << mrNo;
    dlg->ShowToolPanel(TToolPanel::Tools);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
}

TEST_F(SingleEdPanel, DamagedFileRaisesAndTypedFieldsStay) {
    const QString bad = dir.filePath("bad.ogg");
    ASSERT_TRUE(WriteFile(bad, QByteArray(3000, 'x')));
    EXPECT_THROW(dlg->LoadSingleFileQueue({bad}), ESonvaleError);
    EXPECT_EQ(Text("sngedpath_txt"), bad);
    QTest::keyClicks(Find<QLineEdit>("sngedartist_txt"), "Kept");
    Click("sngedupdate_btn");
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Kind, mkError);
    EXPECT_EQ(Text("sngedartist_txt"), "Kept");
    EXPECT_TRUE(panel->Modified());
    EXPECT_EQ(ReadFile(bad), QByteArray(3000, 'x'));
}

TEST_F(SingleEdPanel, FileWithoutReaderShowsEmptyFieldsWithoutMessage) {
    const QString mp3 = Mp3("a.mp3", "First");
    const QString flac = dir.filePath("c.flac");
    const QByteArray bytes = QByteArray("fLaC") + QByteArray(60, '\0');
    ASSERT_TRUE(WriteFile(flac, bytes));
    dlg->LoadSingleFileQueue({mp3, flac});
    Click("sngedqueuenext_btn");
    EXPECT_EQ(Text("sngedpath_txt"), flac);
    EXPECT_EQ(Text("sngedtitle_txt"), "");
    EXPECT_EQ(Text("sngedartist_txt"), "");
    EXPECT_EQ(Text("sngedsize_lbl"), "Size :");
    EXPECT_EQ(Text("sngedbitrate_lbl"), "BitRate :");
    // Presence labels keep what the previous file showed.
    EXPECT_EQ(Text("sngedid3v2_lbl"), "Found");
    QTest::keyClicks(Find<QLineEdit>("sngedtitle_txt"), "Nope");
    Click("sngedupdate_btn");
    Click("sngedremove_btn");
    EXPECT_TRUE(prompter->Shown.isEmpty());
    EXPECT_FALSE(panel->Modified());
    EXPECT_EQ(ReadFile(flac), bytes);
}

TEST_F(SingleEdPanel, PlayNeedsThePlaceholder) {
    const QString a = Mp3("a b.mp3");
    dlg->LoadSingleFileQueue({a});
    QStringList started;
    panel->StartProcess = [&](const QString& program, const QStringList& args) {
        started = QStringList{program} + args;
        return true;
    };
    dlg->Settings.PlaybackCommandLine = "player --fullscreen";
    Click("sndedplayback_btn");
    EXPECT_TRUE(started.isEmpty());
    dlg->Settings.PlaybackCommandLine = "player %1";
    Click("sndedplayback_btn");
    EXPECT_EQ(started, QStringList({"player", a}));
    EXPECT_TRUE(prompter->Shown.isEmpty());
}

TEST_F(SingleEdPanel, QueueEditorBuildsANewQueue) {
    const QString a = Mp3("a.mp3", "First"), b = Mp3("b.mp3", "Second");
    QDir(dir.path()).mkdir("sub");
    const QString c = Mp3("sub/c.mp3", "Third");
    dlg->LoadSingleFileQueue({a, b});
    Click("sngedqueuenext_btn");
    ASSERT_EQ(panel->QueuePos, 1);

    // The editor shows the current queue. Cancel: the queue stays; the same file twice is
    // listed once.
    int listed = -1, firstCount = -1;
    OnModal<TQueueEditorDlg>([&](TQueueEditorDlg* d) {
        EXPECT_EQ(d->windowTitle(), "Queue Editor");
        auto* list = d->findChild<QListWidget*>("queue_lst");
        firstCount = list->count();
        prompter->OpenAnswers << QStringList{c} << QStringList{c.toUpper()}
                              << QStringList{dir.filePath("notes.txt")};
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(d->findChild<QAbstractButton*>("queueadd_btn"), Qt::LeftButton);
        listed = list->count();
        QTest::mouseClick(d->findChild<QAbstractButton*>("cancel_btn"), Qt::LeftButton);
    });
    Click("sngedqueue_btn");
    EXPECT_EQ(firstCount, 2);
    EXPECT_EQ(listed, 3);
    EXPECT_EQ(panel->Queue, QStringList({a, b}));
    EXPECT_EQ(panel->QueuePos, 1);
    EXPECT_EQ(Text("sngedqueue_lbl"), "2 / 2");

    // Ok: the folder without its subfolders (its files are queued already), then the
    // queue's first entry loads.
    QStringList paths;
    OnModal<TQueueEditorDlg>([&](TQueueEditorDlg* d) {
        auto* list = d->findChild<QListWidget*>("queue_lst");
        firstCount = list->count();
        prompter->BrowseAnswers << dir.path();
        prompter->Answers << mrNo;
        QTest::mouseClick(d->findChild<QAbstractButton*>("queueaddfolder_btn"), Qt::LeftButton);
        d->QUEUEAddFile(c);
        d->QUEUEAddFile("a.x");
        // Remove selects the entry before the removed one.
        list->setCurrentRow(1);
        QTest::mouseClick(d->findChild<QAbstractButton*>("queuerem_btn"), Qt::LeftButton);
        EXPECT_EQ(list->currentRow(), 0);
        paths = d->Paths();
        QTest::mouseClick(d->findChild<QAbstractButton*>("ok_btn"), Qt::LeftButton);
    });
    Click("sngedqueue_btn");
    EXPECT_EQ(firstCount, 2);
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Text, "Do you want to recurse subfolders ?");
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(paths.last(), c);
    EXPECT_EQ(panel->Queue, paths);
    EXPECT_EQ(panel->QueuePos, 0);
    EXPECT_EQ(Text("sngedqueue_lbl"), "1 / 2");
    EXPECT_EQ(Find<QProgressBar>("snged_prg")->maximum(), 2);
    EXPECT_EQ(Text("sngedpath_txt"), paths.first());

    // An empty queue confirmed with Ok leaves nothing to step through.
    OnModal<TQueueEditorDlg>([&](TQueueEditorDlg* d) {
        QTest::mouseClick(d->findChild<QAbstractButton*>("queuereset_btn"), Qt::LeftButton);
        QTest::mouseClick(d->findChild<QAbstractButton*>("ok_btn"), Qt::LeftButton);
    });
    Click("sngedqueue_btn");
    EXPECT_TRUE(panel->Queue.isEmpty());
    EXPECT_EQ(Text("sngedqueue_lbl"), "Empty Queue");
}

TEST_F(SingleEdPanel, TrackNameEditorReturnsTheEditedLine) {
    TTrackNameEditDlg edit(dlg.get());
    EXPECT_EQ(edit.windowTitle(), "Edit");
    edit.track_txt->setText("Old name");
    OnModal<TTrackNameEditDlg>([](TTrackNameEditDlg* d) {
        d->track_txt->selectAll();
        QTest::keyClicks(d->track_txt, "New name");
        QTest::keyClick(d->track_txt, Qt::Key_Return); // Ok is the default button
    });
    EXPECT_TRUE(edit.ExecuteEdit());
    EXPECT_EQ(edit.track_txt->text(), "New name");
    OnModal<TTrackNameEditDlg>([](TTrackNameEditDlg* d) {
        QTest::mouseClick(d->findChild<QAbstractButton*>("cancel_btn"), Qt::LeftButton);
    });
    EXPECT_FALSE(edit.ExecuteEdit());
}

TEST_F(SingleEdPanel, OpenPutsTheChosenFilesInTheQueue) {
    const QString a = Mp3("a.mp3", "First"), b = Mp3("b.mp3", "Second"), c = Mp3("c.mp3");
    dlg->LoadSingleFileQueue({a});
    prompter->OpenAnswers << QStringList{b, c} << QStringList{a};
    Click("sngedopen_btn");
    EXPECT_EQ(panel->Queue, QStringList({a, b, c}));
    EXPECT_EQ(Text("sngedtitle_txt"), "Second");
    EXPECT_EQ(Text("sngedqueue_lbl"), "2 / 3");
    // Every format a reader takes is offered.
    EXPECT_TRUE(prompter->OpenFilters.value(0).contains("*.wav;*.wma;*.asf;*.ape;*.ac3;"));
    // Ctrl+O while the editor is shown; a queued file is gone to, not queued again.
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    QTest::keyClick(dlg.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(panel->Queue, QStringList({a, b, c}));
    EXPECT_EQ(Text("sngedtitle_txt"), "First");
}

TEST_F(SingleEdPanel, ClosingWithUnsavedEditsAsksFirst) {
    dlg->LoadSingleFileQueue({Mp3("a.mp3", "First")});
    dlg->show();
    QTest::keyClicks(Find<QLineEdit>("sngedtitle_txt"), "x");
    prompter->Answers << mrNo << mrYes;
    EXPECT_FALSE(dlg->close()); // No: the window and the typing stay
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(prompter->Texts(), QStringList{kUnsaved});
    EXPECT_TRUE(dlg->close());
}

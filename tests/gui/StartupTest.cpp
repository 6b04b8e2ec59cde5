#include "GuiMain.h"
#include "gui/MainDlg.h"
#include "gui/SingleEdPanel.h"
#include "gui/Starter.h"
#include "gui/ToolList.h"
#include "io/SonvaleError.h"
#include "platform/StartupRoute.h"
#include "support/ScriptedPrompter.h"
#include "tags/Id3v1Tag.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ClearStore();
        ASSERT_TRUE(tmp.isValid());
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
        dlg->StarterAllowed = false;
    }
    void TearDown() override { ClearStore(); }
    static void ClearStore() {
        auto s = platform::OpenVendorSettings();
        s->clear();
        s->sync();
    }
    QString MakeFile(const QString& rel) {
        const QString path = tmp.filePath(rel);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    void Start(const QStringList& args) {
        dlg->CommandLine = args;
        dlg->AppEvntActivate();
    }

    QTemporaryDir tmp;
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

QString& LastModal() {
    static QString seen;
    return seen;
}

// Closes the next modal window once the event loop runs and remembers which it was.
void CloseNextModal() {
    LastModal().clear();
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            LastModal() = w->objectName();
            w->close();
        }
    });
}

} // namespace

TEST_F(Startup, FirstActivationRunsOnceAndFillsTheGenreBoxes) {
    // Genre boxes of editors that exist; the album renamer's does not.
    auto* snged = new QComboBox(dlg->Panel(TToolPanel::SingleFile));
    snged->setObjectName("sngedgenre_txt");
    snged->setEditable(true);
    snged->setEditText("Own genre");
    auto* mlt = new QComboBox(dlg->Panel(TToolPanel::MultipleFiles));
    mlt->setObjectName("mltgenre_txt");
    mlt->setEditable(true);

    Start({});
    const QString exe = QCoreApplication::applicationFilePath();
    EXPECT_EQ(dlg->windowTitle(), "Sonvale v" + platform::GetFileVersionText(exe));
    EXPECT_TRUE(dlg->windowTitle().startsWith("Sonvale v0."));
    EXPECT_EQ(platform::OpenVendorSettings()->value("Sonvale").toString(), exe);
    EXPECT_TRUE(dlg->StartupDone());
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);

    ASSERT_EQ(dlg->Genres.size(), kGenreCount);
    for (int i = 1; i < dlg->Genres.size(); ++i)
        EXPECT_LE(dlg->Genres[i - 1].compare(dlg->Genres[i], Qt::CaseInsensitive), 0);
    for (QComboBox* box : {snged, mlt}) {
        ASSERT_EQ(box->count(), kGenreCount);
        EXPECT_EQ(box->itemText(0), dlg->Genres[0]);
        EXPECT_EQ(box->itemText(kGenreCount - 1), dlg->Genres.last());
    }
    // The boxes are offered the names; what the editor shows is left alone.
    EXPECT_EQ(snged->currentText(), "Own genre");
    EXPECT_TRUE(mlt->currentText().isEmpty());
    // The settings were loaded after the presets.
    auto* ren = dlg->findChild<QComboBox*>("setuprenpattern_cmb");
    EXPECT_EQ(ren->count(), 6);

    // A second activation does nothing: no reload, no second route.
    mlt->clear();
    dlg->CommandLine = {tmp.path()};
    dlg->AppEvntActivate();
    EXPECT_EQ(mlt->count(), 0);
    EXPECT_TRUE(prompter->Shown.isEmpty());
}

TEST_F(Startup, RegisterAndUnregisterWriteTheDesktopEntryAndEnd) {
    const QString entry = platform::ShellEntryPath();
    ASSERT_TRUE(entry.startsWith(TestHome())) << entry.toStdString();
    QFile::remove(entry);
    Start({"register"});
    EXPECT_TRUE(dlg->ExitRequested);
    EXPECT_EQ(dlg->ExitCode, 0);
    EXPECT_FALSE(dlg->isVisible());
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains("Name=Open with Sonvale\n"));
    EXPECT_TRUE(text.contains("inode/directory"));
    EXPECT_TRUE(text.contains(QCoreApplication::applicationFilePath()));
    EXPECT_TRUE(prompter->Shown.isEmpty());
    // The whole start-up ran first.
    EXPECT_EQ(platform::OpenVendorSettings()->value("Sonvale").toString(),
              QCoreApplication::applicationFilePath());

    dlg = std::make_unique<TMainDlg>(prompter);
    Start({"unregister"});
    EXPECT_TRUE(dlg->ExitRequested);
    EXPECT_EQ(dlg->ExitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(entry));

    // Letter case counts: "Register" is an ordinary (missing) path.
    dlg = std::make_unique<TMainDlg>(prompter);
    dlg->StarterAllowed = false;
    ASSERT_FALSE(QFileInfo::exists("Register"));
    Start({"Register"});
    EXPECT_FALSE(dlg->ExitRequested);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);
}

TEST_F(Startup, AFileGoesToTheSingleFileEditorsQueue) {
    // Any extension: what the editor makes of it is its own business.
    const QString file = MakeFile("notes about a song.txt");
    Start({file, "ignored"});
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    ASSERT_NE(dlg->SingleFileEditor, nullptr);
    EXPECT_EQ(dlg->SingleFileEditor->Queue, QStringList{file});
    EXPECT_EQ(dlg->SingleFileEditor->QueuePos, 0);
    EXPECT_EQ(dlg->findChild<QLineEdit*>("sngedpath_txt")->text(), file);
    EXPECT_TRUE(prompter->Shown.isEmpty());
}

TEST_F(Startup, ARefusedFileStillEndsTheStartUp) {
    const QString file = MakeFile("damaged.mp3");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4000, '\x55'));
    f.close();
    bool finished = false;
    QObject::connect(dlg.get(), &TMainDlg::StartupFinished, [&] { finished = true; });
    // The error leaves for the error display; the window is set up all the same.
    EXPECT_THROW(Start({file}), ESonvaleError);
    EXPECT_TRUE(dlg->StartupDone());
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    QCoreApplication::processEvents();
    EXPECT_TRUE(finished);
}

TEST_F(Startup, AFolderAsksAboutSubfoldersAndFillsTheTaggersList) {
    const QString top = MakeFile("album/01.mp3");
    MakeFile("album/cover.jpg");
    const QString deep = MakeFile("album/cd2/02.OGG");
    prompter->Answers << mrNo;
    Start({tmp.filePath("album")});
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::MultipleFiles);
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Text, "Do you want to recurse subfolders ?");
    EXPECT_EQ(prompter->Shown[0].Kind, mkQuestion);
    EXPECT_EQ(dlg->ToolList(TToolPanel::MultipleFiles)->Paths(), QStringList{top});

    dlg = std::make_unique<TMainDlg>(prompter);
    prompter->Answers << mrYes;
    Start({tmp.filePath("album")});
    QStringList paths = dlg->ToolList(TToolPanel::MultipleFiles)->Paths();
    paths.sort();
    EXPECT_EQ(paths, QStringList({top, deep}));
}

TEST_F(Startup, AMissingPathShowsTheToolsAndTheAssistantDecides) {
    dlg->StarterAllowed = true;
    CloseNextModal();
    Start({tmp.filePath("gone.mp3")});
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);
    EXPECT_EQ(LastModal(), "TStarter");
    EXPECT_TRUE(prompter->Shown.isEmpty());

    // After "Do not display this message again" the assistant stays away; only exactly "0"
    // brings it back.
    for (const char* stored : {"1", "yes"}) {
        platform::OpenSettings()->setValue("DontShowStarter", stored);
        dlg = std::make_unique<TMainDlg>(prompter);
        CloseNextModal();
        Start({});
        EXPECT_TRUE(dlg->StartupDone());
        QApplication::processEvents();
        EXPECT_TRUE(LastModal().isEmpty()) << stored;
    }
}

TEST_F(Startup, AssistantCheckboxWritesItsChoiceAtEveryClick) {
    TStarter* starter = dlg->Starter();
    ASSERT_NE(starter, nullptr);
    EXPECT_EQ(starter->windowTitle(), "Welcome to Sonvale");
    auto* never = starter->findChild<QCheckBox*>("neveragain_chk");
    ASSERT_NE(never, nullptr);
    EXPECT_EQ(never->text(), "Do not display this message again");
    starter->show();
    QTest::mouseClick(never, Qt::LeftButton);
    EXPECT_EQ(platform::OpenSettings()->value("DontShowStarter").toString(), "1");
    EXPECT_FALSE(ShouldShowStarter());
    QTest::mouseClick(never, Qt::LeftButton);
    EXPECT_EQ(platform::OpenSettings()->value("DontShowStarter").toString(), "0");
    EXPECT_TRUE(ShouldShowStarter());
    auto* start = starter->findChild<QAbstractButton*>("start_btn");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->text(), "Start Sonvale");
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(starter->isVisible());
}

TEST_F(Startup, EveryFileGivenIsQueued) {
    const QString a = MakeFile("a.txt"), b = MakeFile("sub/b.txt");
    QDir::setCurrent(tmp.path());
    Start({a, "not there.mp3", "sub/b.txt", tmp.path()});
    EXPECT_EQ(dlg->SingleFileEditor->Queue, QStringList({a, b}));
    EXPECT_EQ(dlg->findChild<QLineEdit*>("sngedpath_txt")->text(), a);
}

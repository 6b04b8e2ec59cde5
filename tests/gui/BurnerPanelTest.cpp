// The CD burner panel and the "Burn" window, with a small script standing in for the
// burning program: it records its arguments, stays a while and ends.
#include "gui/BurnerPanel.h"
#include "GuiMain.h"
#include "gui/BurnhavenDlg.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tools/Compilation.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class BurnerPanel : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
        burner = dlg->findChild<TBurnerPanel*>();
        ASSERT_NE(burner, nullptr);
        burner->DetectPrograms = [this] { return detected; };
        burner->HandOffDlg()->tmr->setInterval(50);
        list = dlg->ToolList(TToolPanel::Burner);
        dlg->ShowToolPanel(TToolPanel::Burner);
    }
    QString P(const QString& name) const { return QDir(tmp.path()).filePath(name); }
    void Encode(const QString& name, double seconds) {
        fixtures::EncodeOptions o;
        o.seconds = seconds;
        ASSERT_TRUE(name.endsWith(".ogg") ? fixtures::EncodeOgg(P(name), o)
                                          : fixtures::EncodeMp3(P(name), o));
    }
    // Appends "start", its arguments and "end" to log, staying `seconds` in between.
    QString StandIn(const QString& seconds) {
        const QString script = P("burner.sh");
        fixtures::WriteFile(script, QStringLiteral("#!/bin/sh\necho start >> '%1'\n"
                                                   "for a in \"$@\"; do echo \"$a\" >> '%1'; done\n"
                                                   "sleep %2\necho end >> '%1'\n")
                                        .arg(Log(), seconds)
                                        .toUtf8());
        QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
        return script;
    }
    QString Log() const { return P("log.txt"); }
    QStringList LogLines() const {
        return QString::fromUtf8(fixtures::ReadFile(Log())).split('\n', Qt::SkipEmptyParts);
    }
    QString Time() const { return dlg->findChild<QLabel*>(QStringLiteral("igntime_lbl"))->text(); }
    void Burn() {
        QTest::mouseClick(dlg->findChild<QAbstractButton*>(QStringLiteral("ignburn_btn")),
                          Qt::LeftButton);
    }

    QTemporaryDir tmp;
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
    TBurnerPanel* burner = nullptr;
    TToolList* list = nullptr;
    QList<platform::TBurnProgram> detected;
};

TEST_F(BurnerPanel, ReorderedCompilationIsHandedOffAndTheWindowWaitsForTheProgram) {
    Encode("a.mp3", 12);
    Encode("b.ogg", 12);
    EXPECT_TRUE(list->AddFileToList(P("a.mp3")));
    EXPECT_TRUE(list->AddFileToList(P("b.ogg")));
    EXPECT_FALSE(list->AddFileToList(P("A.mp3")));
    EXPECT_EQ(Time(), "0min 24sec");
    EXPECT_EQ(dlg->findChild<QProgressBar*>(QStringLiteral("IGN_prg"))->value(), 1);
    list->setCurrentRow(0);
    ListDown(list);
    EXPECT_EQ(burner->Compilation().Paths(), (QStringList{P("b.ogg"), P("a.mp3")}));
    EXPECT_EQ(Time(), "0min 24sec");

    dlg->Settings.Burnhaven = StandIn("1");
    QElapsedTimer clock;
    clock.start();
    Burn();
    EXPECT_GE(clock.elapsed(), 1000); // closed only after the program ended
    EXPECT_EQ(burner->HandOffDlg()->result(), QDialog::Accepted);
    const QString file = CompilationFileName(CompilationFolder(), "Sonvale", 0);
    EXPECT_EQ(LogLines(), (QStringList{"start", "/cdaudio", file, "end"}));
    EXPECT_EQ(ReadCompilationFile(file), (QStringList{P("b.ogg"), P("a.mp3")}));
    EXPECT_TRUE(prompter->Shown.isEmpty());
}

TEST_F(BurnerPanel, CancelLeavesTheProgramRunningAndTheNextHandOffWaitsForIt) {
    TBurnhavenDlg* handOff = burner->HandOffDlg();
    handOff->Program = platform::FindBurnhaven(StandIn("1"));
    handOff->State = THandOffState{1, true, "Sonvale", tmp.path()};
    QTimer::singleShot(400, handOff, &QDialog::reject);
    EXPECT_FALSE(handOff->RunHandOff());
    EXPECT_EQ(LogLines().first(), "start");
    EXPECT_FALSE(LogLines().contains("end"));
    // Like the user who already has the program open: nothing starts until it has ended.
    EXPECT_TRUE(handOff->RunHandOff());
    EXPECT_EQ(
        LogLines().join(' '),
        QStringLiteral("start /cdaudio %1 end start /cdaudio %1 end").arg(P("Sonvale_0.bhc")));
}

TEST_F(BurnerPanel, BurnWithoutProgramOrValidListTellsWhy) {
    Encode("a.mp3", 12);
    list->AddFileToList(P("a.mp3"));
    prompter->Answers.enqueue(mrNo);
    Burn();
    dlg->Settings.Burnhaven = StandIn("0");
    Burn();
    EXPECT_EQ(prompter->Texts(),
              (QStringList{"Burnhaven is required to burn CDs or DVDs. Do you want to download "
                           "it now ?",
                           "Invalid file list."}));
    EXPECT_FALSE(QFile::exists(Log()));
}

TEST_F(BurnerPanel, FoundDesktopProgramIsOfferedAndGetsTheFilesInOrder) {
    Encode("b.mp3", 12);
    Encode("a.ogg", 12);
    list->AddFileToList(P("b.mp3"));
    list->AddFileToList(P("a.ogg"));
    detected = {{"Brasero", StandIn("0"), {"--audio"}, platform::TBurnForm::AudioFiles}};
    prompter->Answers.enqueue(mrYes);
    Burn();
    EXPECT_EQ(prompter->Texts(),
              QStringList{"Burnhaven is not installed. Do you want to burn this compilation "
                          "with Brasero ?"});
    EXPECT_EQ(LogLines(), (QStringList{"start", "--audio", P("b.mp3"), P("a.ogg"), "end"}));
}

TEST_F(BurnerPanel, RemovingAVanishedFileSubtractsWhatItAddedAndLineBreaksAreRefused) {
    Encode("a.mp3", 3);
    Encode("b.ogg", 2);
    list->AddFileToList(P("a.mp3"));
    list->AddFileToList(P("b.ogg"));
    ASSERT_TRUE(QFile::remove(P("a.mp3")));
    list->setCurrentRow(0);
    ListRemove(list);
    EXPECT_EQ(Time(), "0min 2sec");
    EXPECT_FALSE(list->AddFileToList(P("a\nb.mp3")));
    EXPECT_EQ(prompter->Texts(), QStringList{LineBreakMessage(P("a\nb.mp3"))});
    ListReset(list);
    EXPECT_EQ(Time(), "0min 0sec");
    EXPECT_EQ(burner->Compilation().Count(), 0);
}

} // namespace

#include "GuiMain.h"
#include "analysis/AnalysisSupport.h"
#include "gui/DuplicatesPanel.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "support/ScriptedPrompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace analysis;

namespace {

class AnalysisPanels : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools()) GTEST_SKIP() << "lame or id3v2 missing";
        TestApp();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
    }
    template <class T> T* Find(const char* name) { return FindNamed<T>(dlg.get(), name); }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    QStringList Items(const char* name) {
        QStringList items;
        auto* list = Find<QListWidget>(name);
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    void Select(const char* name, const QList<int>& rows) {
        auto* list = Find<QListWidget>(name);
        list->clearSelection();
        for (int r : rows)
            list->item(r)->setSelected(true);
    }
    QString Copy(const QString& from, const QString& name) {
        QFile::copy(from, dir.filePath(name));
        return dir.filePath(name);
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

TEST_F(AnalysisPanels, DuplicatesScanShowsConfirmedGroupsPlaysAndTrashes) {
    const QString a = Lame(dir, QStringLiteral("a.mp3"), 5, 0.5, 440);
    const QString c = Lame(dir, QStringLiteral("c.mp3"), 5, 0.5, 880); // starts as a does
    const QString b = Copy(a, QStringLiteral("b copy.mp3"));
    RunTool(QStringLiteral("id3v2"), {QStringLiteral("-a"), QStringLiteral("Retagged"), b});
    const QString e = Lame(dir, QStringLiteral("e.mp3"), 0, 0.5, 1000);
    const QString f = Copy(e, QStringLiteral("f.mp3"));
    TToolList* list = dlg->ToolList(TToolPanel::Duplicates);
    for (const QString& p : {a, c, e, b, f})
        list->AddFileToList(p);
    auto* panel = dlg->findChild<TDuplicatesPanel*>();
    QSignalSpy shown(panel, &TDuplicatesPanel::ScanShown);
    Click("dupresscan_btn");
    // A second Scan while one runs is refused: one scan, one message.
    EXPECT_FALSE(Find<QPushButton>("dupresscan_btn")->isEnabled());
    panel->dupresscan_btnClick();
    ASSERT_TRUE(shown.wait(20000));
    QTest::qWait(50);
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("2 groups of duplicates found.")});
    auto* codes = Find<QComboBox>("duprescodes_cmb");
    ASSERT_EQ(codes->count(), 2);
    EXPECT_LT(codes->itemText(0), codes->itemText(1));
    const bool abFirst = Items("dupresfiles_lst") == QStringList({a, b});
    EXPECT_EQ(Items("dupresfiles_lst"), abFirst ? QStringList({a, b}) : QStringList({e, f}));

    // The list changes after the scan: the groups still name the files that were scanned.
    codes->setCurrentIndex(abFirst ? 0 : 1);
    list->clear();
    panel->duprescodes_cmbChange();
    EXPECT_EQ(Items("dupresfiles_lst"), QStringList({a, b}));
    Find<QListWidget>("dupresfiles_lst")->setCurrentRow(1);
    EXPECT_EQ(Find<QLineEdit>("dupresfilesfile_txt")->text(), QStringLiteral("b copy.mp3"));
    EXPECT_EQ(Find<QLineEdit>("dupresfilesfolder_txt")->text(), tmp.path());
    QStringList started;
    panel->StartProcess = [&](const QString& program, const QStringList& args) {
        started = QStringList{program} + args;
        return true;
    };
    dlg->Settings.PlaybackCommandLine = QStringLiteral("player %1");
    panel->dupresfiles_lstDblClick();
    EXPECT_EQ(started, QStringList({QStringLiteral("player"), b})); // one argument, no quotes

    // One copy of a two-file group goes: the group goes, the last remaining one is shown.
    prompter->Shown.clear();
    Select("dupresfiles_lst", {1});
    prompter->Answers.enqueue(mrYes);
    Click("dupresdelete_btn");
    EXPECT_EQ(prompter->Texts(),
              QStringList({QStringLiteral("Selected files will be moved to the trash. Continue ?"),
                           QStringLiteral("Done !")}));
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(codes->count(), 1);
    EXPECT_EQ(Items("dupresfiles_lst"), QStringList({e, f}));

    // Both copies selected: the stronger question; a file that cannot go stays listed.
    prompter->Shown.clear();
    QFile::remove(f);
    Select("dupresfiles_lst", {0, 1});
    prompter->Answers.enqueue(mrYes);
    Click("dupresdelete_btn");
    ASSERT_EQ(prompter->Texts().size(), 2);
    EXPECT_EQ(
        prompter->Texts()[0],
        QStringLiteral("All your copies of this file will be moved to the trash. Continue ?"));
    EXPECT_TRUE(prompter->Texts()[1].startsWith(
        QStringLiteral("1 file(s) could not be moved to the trash:\n%1").arg(f)));
    EXPECT_FALSE(QFile::exists(e));
    EXPECT_EQ(codes->count(), 0); // one file left is no group
}

TEST_F(AnalysisPanels, QualityNeedsASampleRateAndHandsAllResultsToTheLister) {
    const QString low = Lame(dir, QStringLiteral("low.mp3"), 0, 0.3, 440, 64, 22050);
    const QString exact = Lame(dir, QStringLiteral("exact.mp3"), 0, 0.3, 440, 128);
    QStringList poor{low};
    for (int i = 0; i < 4; ++i)
        poor << Lame(dir, QStringLiteral("thin%1.mp3").arg(i), 0, 0.3, 440, 96);
    TToolList* list = dlg->ToolList(TToolPanel::Quality);
    for (const QString& p : QStringList{exact} + poor)
        list->AddFileToList(p);
    dlg->ShowToolPanel(TToolPanel::Quality);

    Click("quascan_btn");
    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral("Please choose a minimal samplerate.")});
    EXPECT_TRUE(Items("quares_lst").isEmpty());
    Find<QComboBox>("quaminsample_cmb")->setCurrentText(QStringLiteral("44100"));
    Click("quascan_btn");
    EXPECT_EQ(Items("quares_lst"), poor);

    Click("quaresloadtolister_btn"); // nothing selected: nothing happens
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Quality);
    Select("quares_lst", {2});
    Click("quaresloadtolister_btn");
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Lister);
    EXPECT_EQ(dlg->ToolList(TToolPanel::Lister)->Paths(), poor);

    prompter->Shown.clear();
    prompter->Answers.enqueue(mrYes);
    Click("quaresdelete_btn");
    EXPECT_EQ(prompter->Texts().value(1), QStringLiteral("Done !"));
    EXPECT_FALSE(QFile::exists(poor[2]));
    poor.removeAt(2);
    EXPECT_EQ(Items("quares_lst"), poor);
}

} // namespace

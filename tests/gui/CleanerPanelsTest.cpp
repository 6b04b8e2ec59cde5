// The name cleaner, tag cleaner and incomplete-tags finder panels driven by their controls.
#include "PanelTest.h"
#include "gui/SingleEdPanel.h"
#include "gui/ToolList.h"
#include "tagtools/TagToolsSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

using namespace tagtools;

namespace {

using CleanerPanels = TPanelTest;

TEST_F(CleanerPanels, OptionBoxesOfBothCleaners) {
    const struct {
        TToolPanel panel;
        const char *under, *spaces, *caseOn, *caseList;
    } panels[] = {
        {TToolPanel::Cleaner, "cleanundertospace_chk", "cleanspacestounder_chk", "cleancase_chk",
         "cleancase_cmb"},
        {TToolPanel::TagCleaner, "tclundertospace_chk", "tclspacetounder_chk",
         "tclcaseformatting_chk", "tclcaseformatting_cmb"},
    };
    for (const auto& p : panels) {
        dlg->ShowToolPanel(p.panel);
        auto *under = Find<QCheckBox>(p.under), *spaces = Find<QCheckBox>(p.spaces);
        auto* caseOn = Find<QCheckBox>(p.caseOn);
        auto* list = Find<QComboBox>(p.caseList);
        EXPECT_FALSE(under->isChecked() || spaces->isChecked() || caseOn->isChecked());
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_FALSE(list->isEnabled());
        QTest::mouseClick(under, Qt::LeftButton, {}, QPoint(5, under->height() / 2));
        QTest::mouseClick(spaces, Qt::LeftButton, {}, QPoint(5, spaces->height() / 2));
        EXPECT_TRUE(spaces->isChecked());
        EXPECT_FALSE(under->isChecked());
        spaces->setChecked(false); // unchecking changes nothing else
        EXPECT_FALSE(under->isChecked());
        caseOn->setChecked(true);
        EXPECT_TRUE(list->isEnabled());
        // The entry step follows the box also when it changed without its signal.
        const QSignalBlocker block(caseOn);
        caseOn->setChecked(false);
        dlg->ShowToolPanel(p.panel);
        EXPECT_FALSE(list->isEnabled());
    }
    EXPECT_TRUE(Find<QCheckBox>("tclvorbis_chk")->isChecked());
}

TEST_F(CleanerPanels, GoRenamesAndTheListFollows) {
    const QString a = MakeMp3(dir, QStringLiteral("a_b.MP3"));
    const QString clash = dir.filePath(QStringLiteral("a b.mp3"));
    ASSERT_TRUE(QFile::copy(a, clash));
    dlg->ShowToolPanel(TToolPanel::Cleaner);
    Click("cleango_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("Empty File List")});
    TToolList* list = dlg->ToolList(TToolPanel::Cleaner);
    list->AddFileToList(clash);
    list->AddFileToList(a);
    Find<QCheckBox>("cleanundertospace_chk")->setChecked(true);
    Click("cleango_btn");
    EXPECT_EQ(list->Paths(), (QStringList{clash, a})); // "a b.mp3" unchanged, "a_b" blocked
    ASSERT_EQ(prompter->Shown.size(), 2);
    EXPECT_TRUE(prompter->Shown[1].Text.contains(a + QStringLiteral(": the target exists")));
    QFile::remove(clash);
    Click("cleango_btn");
    EXPECT_EQ(list->Paths(), (QStringList{clash, clash}));
    EXPECT_TRUE(QFile::exists(clash));
}

TEST_F(CleanerPanels, TagCleanerWithoutKindsAndFinderIntoTheEditor) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("A"), "1");
    const QString b = MakeMp3(dir, QStringLiteral("b.mp3"));
    dlg->ToolList(TToolPanel::TagCleaner)->AddFileToList(a);
    for (const char* n : {"tclid3v1_chk", "tclid3v2_chk", "tclape_chk", "tclvorbis_chk"})
        Find<QCheckBox>(n)->setChecked(false);
    Click("tclgo_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("No tags selected.")});

    dlg->ShowToolPanel(TToolPanel::Incomplete);
    for (const QString& p : {a, b})
        dlg->ToolList(TToolPanel::Incomplete)->AddFileToList(p);
    auto* results = Find<QListWidget>("intagres_lst");
    Click("intagscan_btn");
    EXPECT_EQ(results->count(), 0); // no field ticked
    Click("intagloadtoeditor_btn");
    EXPECT_TRUE(dlg->SingleFileEditor->Queue.isEmpty());
    dlg->ShowToolPanel(TToolPanel::Incomplete);
    Find<QListWidget>("intagfields_clb")->item(5)->setCheckState(Qt::Checked); // "Track Number"
    Click("intagscan_btn");
    ASSERT_EQ(results->count(), 1);
    EXPECT_EQ(results->item(0)->text(), b);
    Click("intagloadtoeditor_btn");
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    EXPECT_EQ(dlg->SingleFileEditor->Queue, QStringList{b});
    EXPECT_EQ(dlg->SingleFileEditor->QueuePos, 0);
}

} // namespace

#include "PanelTest.h"
#include "gui/MagicDlg.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "organize/OrganizeSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace organize;

namespace {

using OrganizerPanels = TPanelTest;

TEST_F(OrganizerPanels, GoRenamesShowsTheNewPathsAndHandsIncompleteFilesToTheEditor) {
    EXPECT_EQ(Find<QCheckBox>("orgaren_chk")->text(), "Rename");
    EXPECT_EQ(Find<QCheckBox>("orgamove_chk")->text(), "Move to specific folder");
    EXPECT_FALSE(Find<QCheckBox>("orgamove_chk")->isChecked());
    dlg->ShowToolPanel(TToolPanel::Organizer);
    TToolList* list = dlg->ToolList(TToolPanel::Organizer);
    list->AddFileToList(Song(dir, "a.mp3", {{"artist", "A"}, {"title", "T"}}));
    list->AddFileToList(Song(dir, "b.mp3", {{"title", "U"}}));
    dlg->Settings.OrganizerRenamePattern = "%1 - %2";
    Find<QCheckBox>("orgaren_chk")->setChecked(true);
    prompter->Answers.enqueue(mrYes);
    Click("orgago_btn");
    EXPECT_EQ(list->Paths(), (QStringList{dir.filePath("A - T.mp3"), dir.filePath("b.mp3")}));
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    EXPECT_TRUE(prompter->Texts().last().startsWith("1 files could not be moved or renamed due"));
}

TEST_F(OrganizerPanels, MagicPreviewShowsTheSortedTreeAndCreates) {
    auto* preview = dlg->findChild<TMagicDlg*>("TMagicDlg");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), "Magic Folder Preview");
    preview->BaseFolder = dir.filePath("magic");
    preview->DesktopFolder.clear();
    const QString song = Song(dir, "s.mp3", {{"artist", "Air"}, {"album", "Moon Safari"}});
    dlg->ToolList(TToolPanel::Magic)->AddFileToList(song);
    QStringList shown;
    QTimer::singleShot(0, preview, [&] {
        auto* tv = preview->findChild<QTreeWidget*>("tv");
        for (int i = 0; i < tv->topLevelItemCount(); ++i)
            shown << tv->topLevelItem(i)->text(0);
        QTest::mouseClick(preview->findChild<QAbstractButton*>("create_btn"), Qt::LeftButton);
    });
    Click("magicgo_btn");
    EXPECT_EQ(shown, (QStringList{"By Album", "By Artist", "By Artist and Album"}));
    EXPECT_EQ(QFileInfo(dir.filePath("magic/By Album/Moon Safari/s.mp3")).symLinkTarget(), song);
    EXPECT_EQ(prompter->Texts(), QStringList{"Magic Folder successfully updated."});
}

} // namespace

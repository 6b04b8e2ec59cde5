#include "gui/MainDlg.h"
#include "GuiMain.h"
#include "gui/ToolList.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QMimeData>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class MainDlg : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
    }
    void Click(const char* name) {
        auto* b = dlg->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The panels that the work area would show.
    QList<QWidget*> ShownPanels() {
        QList<QWidget*> shown;
        auto* work = dlg->findChild<QStackedWidget*>("work_area");
        for (int i = 0; i < work->count(); ++i)
            if (work->widget(i) == work->currentWidget()) shown.append(work->widget(i));
        return shown;
    }
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

} // namespace

TEST_F(MainDlg, StartsOnTheToolsListAndSwitchesPanelsByButtons) {
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);
    EXPECT_EQ(dlg->Title(), "Tools List");
    EXPECT_EQ(dlg->Subtitle(), "Choose the appropriate tool in the list below");

    const struct {
        const char* Button;
        const char* Panel;
        const char* Title;
    } cases[] = {
        {"tagren_btn", "tr_pnl", "Automatic Album Renamer and tagger"},
        {"sngtag_btn", "singleed_pnl", "Single File Tag Editor"},
        {"mlttag_btn", "mlted_pnl", "Multiple Files Tag Editor"},
        {"cleaner_btn", "cleaner_pnl", "File name cleaner"},
        {"tagrem_btn", "remove_pnl", "MetaTags Remover"},
        {"orga_btn", "org_pnl", "File Organizer"},
        {"ign_btn", "ign_pnl", "CD Burner"},
        {"createpls_btn", "plscr_pnl", "Playlist Creator"},
        {"checkpls_btn", "plsck_pnl", "Playlist Checker"},
        {"list_btn", "lister_pnl", "File Lister"},
        {"duplicates_btn", "duplicates_pnl", "Duplicate Files Finder"},
        {"incomplete_btn", "intag_pnl", "Incomplete Tags Finder"},
        {"quality_btn", "qua_pnl", "Quality Analyser"},
        {"magic_btn", "magic_pnl", "Magic Folder"},
        {"tagcleaner_btn", "tagclean_pnl", "Tag cleaner"},
    };
    for (const auto& c : cases) {
        Click("tools_btn");
        ASSERT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);
        Click(c.Button);
        const auto shown = ShownPanels();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0]->objectName(), c.Panel);
        EXPECT_EQ(dlg->Title(), c.Title);
        EXPECT_FALSE(dlg->Subtitle().isEmpty());
    }
    Click("settings_btn");
    EXPECT_EQ(dlg->Title(), "Setup Sonvale");
    EXPECT_EQ(ShownPanels().at(0)->objectName(), "setup_pnl");
}

TEST_F(MainDlg, ToolsListHasFourGroups) {
    auto* tools = dlg->Panel(TToolPanel::Tools);
    const auto groups = tools->findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 4);
    EXPECT_EQ(groups[0]->title(), "Editors and Taggers");
    EXPECT_EQ(groups[0]->findChildren<QAbstractButton*>().size(), 3);
    EXPECT_EQ(groups[1]->title(), "Mass Files Processor");
    EXPECT_EQ(groups[1]->findChildren<QAbstractButton*>().size(), 4);
    EXPECT_EQ(groups[2]->title(), "Playlists");
    EXPECT_EQ(groups[2]->findChildren<QAbstractButton*>().size(), 3);
    EXPECT_EQ(groups[3]->findChildren<QAbstractButton*>().size(), 5);
}

TEST_F(MainDlg, LeavingSettingsAlwaysSaves) {
    int saves = 0;
    dlg->SaveSettingsHook = [&] { ++saves; };
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(saves, 0);
    Click("settings_btn");
    Click("about_btn"); // the about box leaves the panel as it is
    EXPECT_EQ(saves, 0);
    Click("tools_btn");
    EXPECT_EQ(saves, 1);
    dlg->ShowToolPanel(TToolPanel::Settings);
    dlg->ShowToolPanel(TToolPanel::Settings);
    EXPECT_EQ(saves, 2);
}

TEST_F(MainDlg, SettingsPageListShowsOneGroup) {
    dlg->ShowToolPanel(TToolPanel::Settings);
    auto* pages = dlg->findChild<QListWidget*>("setup_lst");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->currentRow(), 0);
    auto visibleGroups = [&] {
        QStringList names;
        // The pages themselves, not the groups inside them.
        QWidget* settings = dlg->Panel(TToolPanel::Settings);
        for (auto* g : settings->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
            if (g->isVisibleTo(settings)) names.append(g->objectName());
        return names;
    };
    EXPECT_EQ(visibleGroups(), QStringList{"setupgeneral_grp"});
    pages->setCurrentRow(2);
    EXPECT_EQ(visibleGroups(), QStringList{"setuppatterns_grp"});
    // Showing the panel again goes back to the first page.
    dlg->ShowToolPanel(TToolPanel::Settings);
    EXPECT_EQ(visibleGroups(), QStringList{"setupgeneral_grp"});
}

TEST_F(MainDlg, UnsavedSingleFileEditsAskBeforeLeaving) {
    bool modified = true;
    dlg->SingleFileModifiedHook = [&] { return modified; };
    dlg->ShowToolPanel(TToolPanel::SingleFile);
    prompter->Answers << mrNo << mrYes;
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::SingleFile);
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_EQ(prompter->Shown[0].Text, "Some modifications have not been saved. Continue anyway ?");
    EXPECT_EQ(prompter->Shown[0].Kind, mkWarning);
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Organizer);
    // Nothing modified: no question.
    modified = false;
    dlg->ShowToolPanel(TToolPanel::SingleFile);
    dlg->ShowToolPanel(TToolPanel::Tools);
    EXPECT_EQ(prompter->Shown.size(), 2);
}

TEST_F(MainDlg, EveryToolListHasItsOperations) {
    const char* lists[] = {"ign_lst",    "plscr_lst", "plsck_lst", "trem_lst",    "trloc_lst",
                           "clean_lst",  "list_lst",  "orga_lst",  "duploc_lst",  "intag_lst",
                           "qualoc_lst", "mlt_lst",   "magic_lst", "tagclean_lst"};
    for (const char* name : lists)
        EXPECT_NE(dlg->findChild<TToolList*>(name), nullptr) << name;
    for (const char* name :
         {"ignup_btn", "igndown_btn", "tremup_btn", "plscrdown_btn", "trlocup_btn", "trlocdown_btn",
          "trlocremove_btn", "orgarem_btn", "orgareset_btn", "magicrem_btn", "magicreset_btn"})
        EXPECT_NE(dlg->findChild<QAbstractButton*>(name), nullptr) << name;
    // Up and Down only where the lists offer them.
    EXPECT_EQ(dlg->findChild<QAbstractButton*>("orgaup_btn"), nullptr);
    EXPECT_EQ(dlg->findChild<QAbstractButton*>("cleandown_btn"), nullptr);
}

TEST_F(MainDlg, ButtonsDriveTheListOperations) {
    auto* list = dlg->findChild<TToolList*>("ign_lst");
    list->addItems({"/a", "/b", "/c"});
    dlg->ShowToolPanel(TToolPanel::Burner);
    list->setCurrentRow(0);
    Click("igndown_btn");
    EXPECT_EQ(list->Paths(), QStringList({"/b", "/a", "/c"}));
    EXPECT_EQ(list->currentRow(), 1);
    Click("ignrem_btn");
    EXPECT_EQ(list->Paths(), QStringList({"/b", "/c"}));
    EXPECT_EQ(list->currentRow(), 0);
    Click("ignreset_btn");
    EXPECT_EQ(list->count(), 0);
    // The tag remover selects nothing after a removal.
    auto* trem = dlg->findChild<TToolList*>("trem_lst");
    trem->addItems({"/a", "/b", "/c"});
    trem->setCurrentRow(1);
    Click("tremremove_btn");
    EXPECT_EQ(trem->Paths(), QStringList({"/a", "/c"}));
    EXPECT_TRUE(trem->selectedItems().isEmpty());
}

TEST_F(MainDlg, AboutShowsNameAndVersion) {
    Click("about_btn");
    ASSERT_EQ(prompter->Shown.size(), 1);
    EXPECT_TRUE(prompter->Shown[0].Text.startsWith("Sonvale "));
    EXPECT_EQ(prompter->Shown[0].Kind, mkInformation);
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Tools);
}

TEST_F(MainDlg, AddFolderRecursesOnYesAndSkipsDuplicates) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char* name : {"/a.mp3", "/b.WAV", "/sub/c.FLAC", "/sub/d.aac"}) {
        QDir().mkpath(QFileInfo(root + name).absolutePath());
        QFile f(root + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto* list = dlg->findChild<TToolList*>("orga_lst");
    dlg->ShowToolPanel(TToolPanel::Organizer);
    prompter->BrowseAnswers << root;
    prompter->Answers << mrNo;
    Click("orgaaddfolder_btn");
    EXPECT_EQ(list->Paths(), QStringList{root + "/a.mp3"});
    EXPECT_EQ(prompter->Shown.last().Text, "Do you want to recurse subfolders ?");
    // Again with recursion and a differently cased path already present.
    delete list->takeItem(0);
    list->addItem((root + "/SUB/C.flac"));
    prompter->BrowseAnswers << root;
    prompter->Answers << mrYes;
    Click("orgaaddfolder_btn");
    EXPECT_EQ(list->count(), 2);
    EXPECT_TRUE(list->Paths().contains(root + "/a.mp3"));
    // Cancelled browse dialog: no question, nothing added.
    const auto asked = prompter->Shown.size();
    Click("orgaaddfolder_btn");
    EXPECT_EQ(prompter->Shown.size(), asked);
    EXPECT_EQ(list->count(), 2);
}

TEST_F(MainDlg, AddFolderTakesEveryFileOfALargeTreeInNameOrder) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    QStringList expected;
    for (int d = 0; d < 6; ++d)
        for (int f = 0; f < 500; ++f) {
            const QString dir = root + QString::asprintf("/d%d", d);
            QDir().mkpath(dir);
            const QString path = dir + QString::asprintf("/%03d.mp3", f);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            expected << path;
        }
    auto* list = dlg->findChild<TToolList*>("mlt_lst");
    dlg->ShowToolPanel(TToolPanel::MultipleFiles);
    prompter->BrowseAnswers << root;
    prompter->Answers << mrYes;
    Click("mltaddfolder_btn");
    EXPECT_EQ(list->Paths(), expected);
}

TEST_F(MainDlg, AddUsesTheOpenDialogAndTheExtensionTest) {
    auto* list = dlg->findChild<TToolList*>("mlt_lst");
    prompter->OpenAnswers << QStringList{"/music/x.aac"} << QStringList{"/music/x.mp3"}
                          << QStringList{"/MUSIC/X.MP3"};
    Click("mltadd_btn");
    Click("mltadd_btn");
    Click("mltadd_btn");
    EXPECT_EQ(list->Paths(), QStringList{"/music/x.mp3"});
    ASSERT_FALSE(prompter->OpenFilters.isEmpty());
    EXPECT_TRUE(prompter->OpenFilters[0].startsWith(
        "All Supported Audio Files|*.mp3;*.ogg;*.mpc;*.mpp;*.mp+;*.ape;*.flac;*.fla;*.aac;*.wv;"
        "*.wvc;|MPEG Audio|*.mp3|"));
    EXPECT_TRUE(prompter->OpenFilters[0].endsWith("|WavPack Files|*.wv;*.wvc"));
}

TEST_F(MainDlg, DroppedFilesAndFoldersJoinTheList) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char* name : {"/one.mp3", "/dir/two.ogg", "/dir/deeper/three.ape", "/dir/x.txt"}) {
        QDir().mkpath(QFileInfo(root + name).absolutePath());
        QFile f(root + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto* list = dlg->findChild<TToolList*>("clean_lst");
    dlg->ShowToolPanel(TToolPanel::Cleaner);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(root + "/one.mp3"), QUrl::fromLocalFile(root + "/dir"),
                  QUrl("https://example.invalid/a.mp3")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    // The files are in at once; the folder follows once the drop has returned.
    EXPECT_EQ(list->Paths(), QStringList{root + "/one.mp3"});
    QApplication::processEvents();
    QStringList paths = list->Paths();
    paths.sort();
    EXPECT_EQ(paths, QStringList({root + "/dir/deeper/three.ape", root + "/dir/two.ogg",
                                  root + "/one.mp3"}));
    EXPECT_TRUE(prompter->Shown.isEmpty()); // folders recurse without asking
}

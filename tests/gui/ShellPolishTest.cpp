#include "GuiMain.h"
#include "gui/MainDlg.h"
#include "gui/SettingsPage.h"
#include "gui/ToolList.h"
#include "support/ScriptedPrompter.h"
#include "tools/ByteSize.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// Counts the connections of a signal from outside the object.
struct TConnections : QObject {
    static int Count(const QObject* o, const char* signal) {
        return (o->*(&TConnections::receivers))(signal);
    }
};

bool HasHandler(const QAbstractButton* b) {
    return TConnections::Count(b, SIGNAL(clicked())) +
               TConnections::Count(b, SIGNAL(clicked(bool))) +
               TConnections::Count(b, SIGNAL(pressed())) +
               TConnections::Count(b, SIGNAL(released())) +
               TConnections::Count(b, SIGNAL(toggled(bool))) >
           0;
}

// A language whose every text is marked, so a caption left untranslated stands out.
class TMarkingTranslator : public QTranslator {
public:
    QString translate(const char*, const char* source, const char* = nullptr,
                      int = -1) const override {
        return QStringLiteral("~") + QString::fromUtf8(source);
    }
    bool isEmpty() const override { return false; }
};

class ShellPolish : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
    }
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

const TToolPanel kAllPanels[] = {
    TToolPanel::Tools,      TToolPanel::Album,           TToolPanel::SingleFile,
    TToolPanel::Burner,     TToolPanel::Cleaner,         TToolPanel::Remover,
    TToolPanel::Organizer,  TToolPanel::PlaylistCreator, TToolPanel::PlaylistChecker,
    TToolPanel::Lister,     TToolPanel::Settings,        TToolPanel::MultipleFiles,
    TToolPanel::Duplicates, TToolPanel::Incomplete,      TToolPanel::Quality,
    TToolPanel::Magic,      TToolPanel::TagCleaner};

} // namespace

TEST_F(ShellPolish, NoPanelShowsAButtonWithoutAHandler) {
    dlg->show();
    QListWidget* pages = dlg->findChild<QListWidget*>("setup_lst");
    for (TToolPanel panel : kAllPanels) {
        dlg->ShowToolPanel(panel);
        // Every page of the settings panel, too.
        const int pageCount = panel == TToolPanel::Settings ? pages->count() : 1;
        for (int page = 0; page < pageCount; ++page) {
            if (panel == TToolPanel::Settings) pages->setCurrentRow(page);
            for (auto* b : dlg->findChildren<QAbstractButton*>()) {
                if (!b->isVisibleTo(dlg.get()) || b->objectName().startsWith("qt_")) continue;
                // Check boxes and radio buttons hold a choice that the tool reads when it
                // runs.
                if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) continue;
                EXPECT_TRUE(HasHandler(b))
                    << dlg->CurrentPanelName().toStdString() << ": "
                    << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
            }
        }
    }
}

TEST_F(ShellPolish, ListsWithoutAFillingToolHideTheirOperations) {
    // The album renamer fills its list from the album folder ("Add Files", "Add Fake"):
    // its operations show, and files dropped there would not be names in that folder.
    dlg->ShowToolPanel(TToolPanel::Album);
    for (const char* name : {"trlocremove_btn", "trlocreset_btn", "trlocup_btn", "trlocdown_btn"}) {
        auto* b = dlg->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_TRUE(b->isVisibleTo(dlg.get())) << name;
    }
    EXPECT_FALSE(dlg->ToolList(TToolPanel::Album)->viewport()->acceptDrops());
    // The playlist checker fills its list from a playlist: its operations show, and files
    // dropped there would not be entries of that playlist.
    for (const char* name : {"plsckrem_btn", "plsckreset_btn"})
        EXPECT_TRUE(dlg->findChild<QAbstractButton*>(name)->isVisibleTo(
            dlg->Panel(TToolPanel::PlaylistChecker)));
    EXPECT_FALSE(dlg->ToolList(TToolPanel::PlaylistChecker)->viewport()->acceptDrops());
    // Lists filled by "Add" keep theirs and take drops.
    EXPECT_TRUE(dlg->findChild<QAbstractButton*>("orgarem_btn")
                    ->isVisibleTo(dlg->Panel(TToolPanel::Organizer)));
    EXPECT_TRUE(dlg->ToolList(TToolPanel::Organizer)->viewport()->acceptDrops());
}

TEST_F(ShellPolish, LanguageSwitchRetranslatesTheWindow) {
    dlg->ShowToolPanel(TToolPanel::Organizer);
    TMarkingTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    auto text = [&](const char* name) {
        return dlg->findChild<QAbstractButton*>(name)->text().toStdString();
    };
    EXPECT_EQ(text("tools_btn"), "~&Tools");
    EXPECT_EQ(text("orga_btn"), "~Organizer");
    EXPECT_EQ(text("orgaaddfolder_btn"), "~Add &Folder");
    EXPECT_EQ(text("setupsave_btn"), "~Save Settings");
    EXPECT_EQ(text("neveragain_chk"), "~Do not display this message again");
    EXPECT_EQ(dlg->Title().toStdString(), "~File Organizer");
    EXPECT_EQ(dlg->findChild<QGroupBox*>("setuppatterns_grp")->title().toStdString(), "~Patterns");
    EXPECT_EQ(dlg->findChild<QListWidget*>("setup_lst")->item(3)->text().toStdString(),
              "~Playback");
    EXPECT_EQ(MessageBoxTitle(mkQuestion).toStdString(), "~Question");
    EXPECT_EQ(SizeUnits().value(2).toStdString(), "~Mb.");
    // The samples use the translated words.
    EXPECT_EQ(dlg->findChild<QLabel*>("setupplspatternsample_lbl")->text().toStdString(),
              "~Artist - ~Album");

    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(text("tools_btn"), "&Tools");
    EXPECT_EQ(dlg->Title().toStdString(), "File Organizer");
    EXPECT_EQ(MessageBoxTitle(mkQuestion).toStdString(), "Question");
    EXPECT_EQ(FormatByteSize(1536).toStdString(), "1.5 Kb.");
    EXPECT_EQ(dlg->findChild<QLabel*>("setupplspatternsample_lbl")->text().toStdString(),
              "Artist - Album");
}

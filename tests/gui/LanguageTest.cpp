#include "GuiMain.h"
#include "gui/LanguageChoice.h"
#include "gui/Languages.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "gui/WidgetTree.h"
#include "lang/LangList.h"
#include "lang/TextStorage.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// The built language files beside the test program, as beside the program.
class Languages : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::OpenVendorSettings()->clear();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
        dlg->langue->Scan();
    }
    void TearDown() override {
        Switch(0x0409);
        platform::OpenVendorSettings()->clear();
    }
    void Switch(uint32_t code) {
        const QList<TLangList::TLanguage>& list = dlg->langue->Languages();
        for (int i = 0; i < list.size(); ++i)
            if (list[i].Code == code) return dlg->langue->SetLanguageIndex(i);
        FAIL() << "no language file for " << std::hex << code;
    }
    QString Caption(const char* name) {
        auto* b = dlg->findChild<QAbstractButton*>(QString::fromLatin1(name));
        return b ? b->text() : QStringLiteral("(missing)");
    }
    // The unnamed label of a form row, found by the field it labels.
    QString RowLabel(const char* field) {
        auto* w = dlg->findChild<QWidget*>(QString::fromLatin1(field));
        for (auto* l : dlg->findChildren<QLabel*>())
            if (l->buddy() == w) return l->text();
        return QStringLiteral("(missing)");
    }
    static QString CancelText() {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    }

    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

// Names and numbers read the same in every language.
bool NeedsTranslation(const QString& text) {
    static const QStringList names = {
        "ID3v1",       "ID3v2",    "APEv2",    "FreeDB",      "XML",        "Sonvale",
        "MusicBrainz", "Album",    "Album :",  "Genre",       "Genre :",    "Options",
        "Message",     "Question", "Source :", "Information", "%3 : Album", "%5 : Genre"};
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    return word.match(text).hasMatch() && !names.contains(text) &&
           !text.contains(QLatin1String(".bhc"));
}

} // namespace

TEST_F(Languages, FrenchSwitchesCaptionsFormLabelsMessagesAndQtButtonsAndBack) {
    Switch(0x040C);
    EXPECT_EQ(Caption("orga_btn"), "Organiseur");
    EXPECT_EQ(RowLabel("sngedartist_txt"), "Artiste :");
    EXPECT_EQ(CancelText(), "Annuler");
    // The side bar widens for a tool's longer French name instead of cutting it.
    dlg->ShowToolPanelByName("mlted_pnl");
    dlg->resize(900, 620);
    dlg->show();
    QApplication::processEvents();
    auto* current = dlg->findChild<QToolButton*>("curtool_btn");
    EXPECT_EQ(current->text(), "Plusieurs fichiers");
    EXPECT_GE(current->width(), current->sizeHint().width());
    dlg->ShowToolPanelByName("plsck_pnl");
    QTest::mouseClick(dlg->findChild<QPushButton*>("plschksave_btn"), Qt::LeftButton);
    ASSERT_FALSE(prompter->Shown.isEmpty());
    EXPECT_EQ(prompter->Shown.last().Text, "Chargez d'abord une liste de lecture.");

    Switch(0x0409);
    EXPECT_EQ(Caption("orga_btn"), "Organizer");
    EXPECT_EQ(RowLabel("sngedartist_txt"), "Artist :");
    EXPECT_EQ(CancelText(), "Cancel");
    EXPECT_EQ(Tr("Done !"), "Done !");
}

TEST_F(Languages, FrenchLeavesNoEnglishCaptionHintOrMessage) {
    const TWidgetTree english(dlg.get(), dlg->langue->ExcludedComps());
    QList<TComponentTexts> before;
    for (int c = 0; c < english.Count(); ++c)
        before.append(english.Texts(c));
    Switch(0x040C);
    for (int c = 0; c < english.Count(); ++c) {
        const TComponentTexts now = english.Texts(c);
        if (NeedsTranslation(before[c].Caption)) {
            EXPECT_NE(now.Caption, before[c].Caption) << english.Path(c).toStdString();
        }
        if (NeedsTranslation(before[c].Hint)) {
            EXPECT_NE(now.Hint, before[c].Hint) << english.Path(c).toStdString();
        }
    }
    for (const TTextStorage* ts : dlg->findChildren<TTextStorage*>()) {
        for (const QString& line : ts->SourceTexts()) {
            if (NeedsTranslation(MessageText(line))) {
                EXPECT_FALSE(ts->Translation(MessageText(line)).isNull()) << line.toStdString();
            }
        }
    }
}

// The closing report of each cleaner, heading and reason, reads as French sentences.
TEST_F(Languages, CleanersReportFailuresInFrench) {
    QTemporaryDir dir;
    const QString gone = dir.filePath(QStringLiteral("a_b.mp3"));
    const struct {
        TToolPanel panel;
        const char *go, *heading;
    } tools[] = {
        {TToolPanel::Cleaner, "cleango_btn", "1 fichiers sur 1 n'ont pas pu être renommés :"},
        {TToolPanel::TagCleaner, "tclgo_btn", "1 fichiers sur 1 n'ont pas pu être nettoyés :"},
        {TToolPanel::Incomplete, "intagscan_btn", "1 fichiers sur 1 n'ont pas pu être lus :"},
    };
    Switch(0x040C);
    dlg->findChild<QCheckBox*>("cleanundertospace_chk")->setChecked(true);
    for (const auto& t : tools) {
        dlg->ShowToolPanel(t.panel);
        ASSERT_TRUE(QFile(gone).open(QIODevice::WriteOnly));
        dlg->ToolList(t.panel)->AddFileToList(gone);
        QFile::remove(gone);
        QTest::mouseClick(dlg->findChild<QPushButton*>(t.go), Qt::LeftButton);
        ASSERT_FALSE(prompter->Shown.isEmpty()) << t.go;
        EXPECT_EQ(prompter->Shown.last().Text, QString::fromUtf8(t.heading) + '\n' + gone +
                                                   QStringLiteral(": Fichier introuvable"));
    }
}

TEST_F(Languages, ChoosingALanguageInTheSettingsSwitchesAndShowsItsSecondText) {
    auto* choice = dlg->findChild<TLanguageChoice*>("setuplanguage_lng");
    ASSERT_NE(choice, nullptr);
    int french = -1;
    for (int row = 0; row < choice->List()->count(); ++row) {
        EXPECT_FALSE(choice->List()->item(row)->data(Qt::DecorationRole).isNull()); // its flag
        if (choice->List()->item(row)->text().startsWith("Français")) french = row;
    }
    ASSERT_GE(french, 0);
    int clicks = 0;
    QObject::connect(choice, &TLanguageChoice::Click, [&clicks] { ++clicks; });
    choice->List()->setCurrentRow(french);
    EXPECT_EQ(dlg->langue->CurrentCode(), 0x040Cu);
    EXPECT_EQ(choice->Label()->text(), "Interface en français");
    EXPECT_EQ(Caption("settings_btn"), "&Réglages");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(platform::OpenSettings()->value("langue").toUInt(), 0x040Cu);
}

TEST_F(Languages, ReferenceFileListsTheComponentsAndAppliesNoText) {
    QTemporaryDir dir;
    const QString dataFolder = dlg->langue->BaseDir;
    dlg->langue->BaseDir = dir.path();
    dlg->langue->UserLanguage = [] { return uint16_t(0); };
    StartLanguages(*dlg->langue, {"/CO"}, *prompter);
    const QString name = dir.filePath("Sonvale_ORIGINAL.SPK");
    TLanguageFile file;
    ASSERT_TRUE(ReadLanguageFile(name, file));
    QStringList paths;
    for (const TLanguageEntry& e : file.Entries) {
        paths.append(e.Path);
        EXPECT_FALSE(e.Caption.Translated() || e.Hint.Translated() || e.Items.Translated());
    }
    for (const char* path : {"TMainDlg.orga_btn", "TMainDlg.sngedupdate_btn", "TMainDlg.main_ts",
                             "TFreeDBDlg.freedbfetch_btn", "TAutoSortDlg.time_rdo"})
        EXPECT_TRUE(paths.contains(path)) << path;
    EXPECT_FALSE(paths.contains("TMainDlg.sngedartist_txt")); // a typed value is no text
    dlg->langue->Current.LoadAndApply(name, *dlg->langue->Components());
    EXPECT_EQ(Caption("orga_btn"), "Organizer");
    dlg->langue->BaseDir = dataFolder;
    dlg->langue->Scan();
}

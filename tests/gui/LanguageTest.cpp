#include "GuiMain.h"
#include "gui/MainDlg.h"
#include "gui/WidgetTree.h"
#include "lang/LangList.h"
#include "lang/TextStorage.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
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

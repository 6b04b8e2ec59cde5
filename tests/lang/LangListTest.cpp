#include "lang/LangList.h"
#include "TableTree.h"
#include "lang/LanguageTable.h"
#include "lang/TextStorage.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Language files for `codes` in a folder, a list over them and a settings file.
struct TLanguages {
    QTemporaryDir Dir;
    TLangList List;
    TTableTree Tree;
    int Go = Tree.Add("TMainDlg.go_btn", "Go");

    explicit TLanguages(const QList<uint32_t>& codes) {
        List.setObjectName("langue");
        List.FilePrefix = "Sonvale_";
        List.BaseDir = Dir.path();
        List.OpenStore = [this] {
            return std::make_unique<QSettings>(Dir.filePath("settings.ini"), QSettings::IniFormat);
        };
        // The table itself, not owned, for every switch.
        List.Components = [this] { return std::shared_ptr<TComponentTree>(&Tree, [](auto*) {}); };
        for (uint32_t code : codes) {
            TLanguageFile f;
            f.Header.LanguageId = uint16_t(code);
            f.Header.FirstText = QString::number(code, 16);
            f.Header.ThirdText = "third";
            f.Header.SecondText = "second " + QString::number(code, 16);
            f.Header.Version = PackVersion("0.1.0.7");
            f.Entries.append({"TMainDlg.go_btn",
                              kTagPathBase + 1,
                              0,
                              {kTextCaption | kTextTranslated, QString::number(code, 16)},
                              {},
                              {}});
            WriteLanguageFile(List.LanguageFile(code), f);
        }
        List.Scan();
    }
    void Store(QVariant code) {
        QSettings s(Dir.filePath("settings.ini"), QSettings::IniFormat);
        s.setValue("langue", code);
    }
};

} // namespace

TEST(LangList, ScanListsEveryVariantInTableOrder) {
    TLanguages l({0x1040C, 0x0407, 0x040C});
    ASSERT_EQ(l.List.Languages().size(), 3);
    // The table's order (French before German), each language's variants in turn.
    EXPECT_EQ(l.List.Languages()[0].Code, 0x040Cu);
    EXPECT_EQ(l.List.Languages()[1].Code, 0x1040Cu);
    EXPECT_EQ(l.List.Languages()[2].Code, 0x0407u);
    EXPECT_EQ(l.List.Languages()[0].Name, "40c [0.1.0.7] - third");
    EXPECT_EQ(QFileInfo(l.List.LanguageFile(0x1040C)).fileName(), "Sonvale_0001040C.SPK");
}

TEST(LangList, RestoreSelectsByCodeThenIdentifierThenPrimaryLanguage) {
    const struct {
        const char* Why;
        QVariant Stored; // invalid: nothing stored
        uint16_t User;
        uint32_t Expected; // 0: English stays
    } cases[] = {
        {"stored variant", 0x1040Cu, 0, 0x1040C},
        {"variant gone, same identifier", 0x2040Cu, 0, 0x040C},
        {"region without a file, same language", 0x080Cu, 0, 0x040C},
        {"stored other language", 0x0407u, 0x040C, 0x0407},
        {"stored language without a file", 0x0410u, 0x040C, 0},
        {"no choice: the user's identifier", QVariant(), 0x0407, 0x0407},
        {"no choice: the user's language", QVariant(), 0x0C0C, 0x040C},
        {"no choice, user language without a file", QVariant(), 0x0410, 0},
    };
    for (const auto& c : cases) {
        TLanguages l({0x040C, 0x1040C, 0x0407});
        if (c.Stored.isValid()) l.Store(c.Stored);
        l.List.UserLanguage = [&c] { return c.User; };
        int switches = 0;
        l.List.AfterLanguageSwitch = [&switches] { ++switches; };
        l.List.RestoreLanguage();
        EXPECT_EQ(l.List.CurrentCode(), c.Expected) << c.Why;
        EXPECT_EQ(l.Tree.Rows[l.Go].Texts.Caption,
                  c.Expected ? QString::number(c.Expected, 16) : QString("Go"))
            << c.Why;
        EXPECT_EQ(switches, c.Expected ? 1 : 0) << c.Why;
    }
}

TEST(LangList, SwitchSavesTheChoiceUnlessRefused) {
    TLanguages l({0x040C, 0x0407});
    l.List.BeforeLanguageSwitch = [](uint32_t, uint32_t to, bool& allow) { allow = to != 0x0407; };
    l.List.SetLanguageIndex(1); // German, refused
    EXPECT_EQ(l.List.LanguageIndex(), -1);
    l.List.SetLanguageIndex(0);
    EXPECT_EQ(l.List.CurrentSecondText(), "second 40c");
    QSettings s(l.Dir.filePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(s.value("langue").toUInt(), 0x040Cu);
}

TEST(LanguageTable, LocalesMapToIdentifiers) {
    ASSERT_EQ(KnownLanguages().size(), 145);
    EXPECT_EQ(KnownLanguages().first().Id, 0x0000);
    EXPECT_EQ(KnownLanguages().last().Id, 0x0843);
    const struct {
        const char* Locale;
        uint16_t Id;
    } cases[] = {{"fr_FR", 0x040C}, {"fr_CA", 0x0C0C}, {"fr_SN", 0x040C}, {"de_AT", 0x0C07},
                 {"en_US", 0x0409}, {"pt_BR", 0x0416}, {"C", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(LanguageIdOfLocale(QLocale(c.Locale)), c.Id) << c.Locale;
    EXPECT_EQ(LocaleOfLanguage(0x080C).language(), QLocale::French);
}

TEST(TextStorage, TranslatesListedMessagesOnly) {
    TTextStorage ts("main_ts", {"Done !", "Failed.", "Two\nlines"});
    EXPECT_EQ(ts.Items(), QStringList({"Done !", "Failed.", "Two\\nlines"}));
    ts.SetItems({"Terminé !", "unused", "Deux\\nlignes"});
    EXPECT_EQ(ts.Translate("Done !"), "Terminé !");
    EXPECT_EQ(ts.Translate("Failed."), "Failed.");
    EXPECT_EQ(ts.Translate("Two\nlines"), "Deux\nlignes");
    EXPECT_EQ(ts.Translate("Not listed"), "Not listed");
    EXPECT_TRUE(ts.Translation("Failed.").isNull());
}

TEST(TextStorage, ShownTextsLeadBackToTheirEnglishMessage) {
    TTextStorage ts("texts_ts", {"Done !", "Failed.", "Two\nlines"});
    ts.SetItems({"Terminé !", "unused", "Deux\\nlignes"});
    const QHash<QString, QString> shown = TTextStorage::ShownMessages();
    EXPECT_EQ(shown.value("Terminé !"), "Done !");
    EXPECT_EQ(shown.value("Done !"), "Done !");
    EXPECT_EQ(shown.value("Deux\nlignes"), "Two\nlines");
    EXPECT_FALSE(shown.contains("unused"));
    // Qt's translation calls reach the storages, whatever the context.
    TTextStorageTranslator translator;
    EXPECT_EQ(translator.translate("AnyWindow", "Done !"), "Terminé !");
    EXPECT_TRUE(translator.translate("AnyWindow", "Failed.").isNull());
}

#include "TableTree.h"
#include "lang/LanguageRecord.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TLanguageEntry Entry(const QString& path, TLanguageText caption, TLanguageText hint = {},
                     TLanguageText items = {}) {
    TLanguageEntry e;
    e.Path = path;
    e.Caption = caption;
    e.Hint = hint;
    e.Items = items;
    return e;
}

const uint32_t kT = kTextTranslated;

} // namespace

TEST(LanguageRecord, AppliesOnlyTranslatedTextsAndExistingLines) {
    TTableTree tree;
    const int go = tree.Add("Dlg.go_btn", "Go", "Start");
    const int box = tree.Add("Dlg.kind_cmb", "", "", {"One", "Two", "Three"});
    const int keep = tree.Add("Dlg.keep_lbl", "Keep", "Tip");
    const int twin1 = tree.Add("Dlg.twin", "Twin");
    const int twin2 = tree.Add("Dlg.twin", "Twin");
    TLanguageFile f;
    f.Entries = {
        Entry("Dlg.go_btn", {kTextCaption | kT, "Lancer"}, {kTextHint | kT, "Démarrer"}),
        Entry("Dlg.kind_cmb", {}, {}, {kTextItems | kT, "Un\r\nDeux\r\n"}),
        Entry("Dlg.keep_lbl", {kTextCaption, "Garder"}, {kTextHint | kTextHintShown, "Astuce"}),
        Entry("Dlg.twin", {kTextCaption | kT, "Jumeau"}),
        Entry("Dlg.gone_btn", {kTextCaption | kT, "Parti"}),
    };
    TLanguageRecord record;
    record.Apply(f, tree);
    EXPECT_EQ(tree.Rows[go].Texts.Caption, "Lancer");
    EXPECT_EQ(tree.Rows[go].Texts.Hint, "Démarrer");
    EXPECT_FALSE(tree.Rows[go].Texts.ShowHint); // bit 4 clear
    // Fewer lines than the list holds replace only the first ones.
    EXPECT_EQ(tree.Rows[box].Texts.Items, QStringList({"Un", "Deux", "Three"}));
    EXPECT_EQ(tree.Rows[keep].Texts.Caption, "Keep");
    EXPECT_EQ(tree.Rows[keep].Texts.Hint, "Tip");
    EXPECT_EQ(tree.Rows[twin1].Texts.Caption, "Jumeau");
    EXPECT_EQ(tree.Rows[twin2].Texts.Caption, "Jumeau");
}

TEST(LanguageRecord, NextLanguageStartsFromTheProgramsOwnTexts) {
    TTableTree tree;
    const int go = tree.Add("Dlg.go_btn", "Go");
    const int title = tree.Add("Dlg.title_lbl", "Title");
    const int list = tree.Add("Dlg.ts", "", "", {"Done !"});
    TLanguageFile french;
    french.Header.Revision = 3;
    french.Entries = {Entry("Dlg.go_btn", {kTextCaption | kT, "Lancer"}),
                      Entry("Dlg.title_lbl", {kTextCaption | kT, "Titre"}),
                      Entry("Dlg.ts", {}, {}, {kTextItems | kT, "Terminé !"})};
    french.Entries[0].Alignment = 1;
    TLanguageFile partial; // carries none of those texts
    TLanguageRecord record;
    record.Apply(french, tree);
    EXPECT_EQ(tree.Rows[go].Align, 101);
    tree.Rows[title].Texts.Caption = "Set by the program";
    record.Apply(partial, tree);
    EXPECT_EQ(tree.Rows[go].Texts.Caption, "Go");
    EXPECT_EQ(tree.Rows[go].Align, 0);
    EXPECT_EQ(tree.Rows[list].Texts.Items, QStringList({"Done !"}));
    EXPECT_EQ(tree.Rows[title].Texts.Caption, "Set by the program");
}

TEST(LanguageRecord, ReferenceFileAppliesNoTextButItsFont) {
    TTableTree tree;
    tree.Add("Dlg", "Window");
    tree.Add("Dlg.go_btn", "Go", "Start");
    const int small = tree.Add("Dlg.note_lbl", "Note");
    tree.Rows[small].Size = 7;
    tree.Add("Dlg.blank_lbl", "  "); // nothing to translate: no entry
    tree.Add("Dlg.ts", "", "", {"Done !", "Failed."});
    QTemporaryDir dir;
    const QString name = dir.filePath("Sonvale_ORIGINAL.SPK");
    TLanguageRecord reference;
    reference.Header.FontName = QStringLiteral("Serif");
    reference.WriteReference(name, tree);
    const TTableTree before = tree;

    TLanguageFile file;
    ASSERT_TRUE(ReadLanguageFile(name, file));
    ASSERT_EQ(file.Entries.size(), 4);
    EXPECT_EQ(file.Entries[1].PathTag, kTagPathBase + 2);
    EXPECT_EQ(file.Entries[1].Hint.Flags, kTextHint | kTextHintShown);
    EXPECT_EQ(file.Entries[3].Items.Flags, kTextItems);

    TLanguageRecord current;
    ASSERT_TRUE(current.LoadAndApply(name, tree));
    for (int c = 0; c < tree.Count(); ++c) {
        EXPECT_EQ(tree.Rows[c].Texts.Caption, before.Rows[c].Texts.Caption);
        EXPECT_EQ(tree.Rows[c].Texts.Items, before.Rows[c].Texts.Items);
        EXPECT_EQ(tree.Rows[c].Family, QStringLiteral("Serif")); // the main window's font
    }
    EXPECT_EQ(tree.Rows[small].Size, 9); // raised to the minimum
    EXPECT_FALSE(current.LoadAndApply(dir.filePath("missing.SPK"), tree));
}

TEST(LanguageRecord, Revision0AppliesByKindAndToTheParentsItems) {
    TTableTree tree;
    const int form = tree.Add("TForm", "Form", "", {"a", "b"});
    const int child = tree.Add("TForm.opt", "Option", "Hint");
    tree.Rows[child].Parent = form;
    TLanguageFile f;
    f.Header.Revision = 0;
    TLanguageEntry caption = Entry("TForm.opt", {0, "Choix"}, {0, ""});
    caption.PathTag = 6;
    TLanguageEntry parentItems = Entry("TForm.opt", {}, {}, {0, "A\r\n"});
    parentItems.PathTag = 12;
    f.Entries = {caption, parentItems};
    TLanguageRecord record;
    record.Apply(f, tree);
    EXPECT_EQ(tree.Rows[child].Texts.Caption, "Choix");
    EXPECT_EQ(tree.Rows[child].Texts.Hint, "Hint"); // empty texts are not applied
    EXPECT_EQ(tree.Rows[form].Texts.Items, QStringList({"A", "b"}));
}

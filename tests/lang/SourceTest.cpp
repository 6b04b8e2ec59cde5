#include "io/SonvaleError.h"
#include "lang/LanguageSource.h"
#include "support/CliRun.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LanguageSource, ExtractsTheLiteralsOfTranslationCalls) {
    const QByteArray cpp = R"cpp(
        box->setTitle(tr("Options"));
        const char* table[] = {QT_TR_NOOP("Two " "parts"), QT_TR_NOOP("Tab\there")};
        prompter.ShowPlainMessage(Tr("Done !\n%1 files"));
        QCoreApplication::translate("TMainDlg", "In a \"context\"");
        // tr("commented out")
        /* Tr("also commented") */
        const QString s = "tr(\"inside a string\")";
        const char q = '"'; str("not a call"); attr("neither");
        setText(tr(variable));
        auto r = R"x(tr("raw"))x";
    )cpp";
    EXPECT_EQ(ExtractMessages(cpp), QStringList({"Options", "Two parts", "Tab\there",
                                                 "Done !\n%1 files", "In a \"context\""}));
    EXPECT_EQ(MessageListOf("src/gui/FreeDBDlg.cpp"), "TFreeDBDlg.texts_ts");
    EXPECT_EQ(MessageListOf("src/gui/MainDlg.cpp"), "TMainDlg.main_ts");
    EXPECT_EQ(MessageListOf("src/tools/Organizer.cpp"), "TMainDlg.main_ts");
}

TEST(LanguageSource, BuildsTranslationsFromEntriesMessagesAndCatalog) {
    const TLanguageSource src = ParseLanguageSource(
        QStringLiteral("language: 040C\nfirst: Français\n\n"
                       "[TMainDlg.go_btn]\ncaption: Go => Lancer\nhint: Start the run\n"
                       "[TMainDlg.kind_cmb]\nitems:\n- One => Un\n- ID3v1\n- Add\n"
                       "[TMainDlg.add_btn]\ncaption: Add\nhint/2: Add a file\n"
                       "[messages]\nAdd => Ajouter\nStart the run => Lancer le travail\n"
                       "Two\\nlines => Deux\\nlignes\n"));
    const QList<TLanguageEntry> catalog = {{"TMainDlg.main_ts",
                                            kTagPathBase + 1,
                                            0,
                                            {},
                                            {},
                                            {kTextItems, "Go\r\nTwo\\nlines\r\nNew\r\n"}}};
    const TLanguageFile f = BuildLanguageFile(src, &catalog);
    EXPECT_EQ(f.Header.LanguageId, 0x040C);
    ASSERT_EQ(f.Entries.size(), 4);
    EXPECT_EQ(f.Entries[0].Caption.Text, "Lancer");
    EXPECT_EQ(f.Entries[0].Caption.Flags, kTextCaption | kTextTranslated);
    EXPECT_EQ(f.Entries[0].Hint.Text, "Lancer le travail");
    EXPECT_EQ(f.Entries[0].PathTag, kTagPathBase + 2);
    EXPECT_EQ(SplitItemLines(f.Entries[1].Items.Text), QStringList({"Un", "ID3v1", "Ajouter"}));
    EXPECT_TRUE(f.Entries[1].Items.Translated());
    EXPECT_EQ(f.Entries[2].Caption.Text, "Ajouter");
    EXPECT_EQ(f.Entries[2].Hint.Flags, uint32_t(kTextHint)); // explicit flags stay as written
    // The program's message list: its own order, lines translated by any source text.
    EXPECT_EQ(f.Entries[3].Path, "TMainDlg.main_ts");
    EXPECT_EQ(SplitItemLines(f.Entries[3].Items.Text),
              QStringList({"Lancer", "Deux\\nlignes", "New"}));

    // What dump prints builds the same records.
    const TLanguageFile again = BuildLanguageFile(ParseLanguageSource(DumpLanguageFile(f)));
    ASSERT_EQ(again.Entries.size(), f.Entries.size());
    for (qsizetype i = 0; i < f.Entries.size(); ++i) {
        EXPECT_EQ(again.Entries[i].PathTag, f.Entries[i].PathTag);
        EXPECT_EQ(again.Entries[i].Caption.Flags, f.Entries[i].Caption.Flags);
        EXPECT_EQ(again.Entries[i].Hint.Text, f.Entries[i].Hint.Text);
        EXPECT_EQ(again.Entries[i].Items.Text, f.Entries[i].Items.Text);
    }
    EXPECT_THROW(ParseLanguageSource("language: 040C\nbogus: 1\n"), ESonvaleError);
    EXPECT_THROW(ParseLanguageSource("[messages]\nno arrow\n"), ESonvaleError);
}

TEST(LangCommand, BuildsAndDumpsLanguageFiles) {
    QTemporaryDir dir;
    const QString source = dir.filePath("fr.txt"), spk = dir.filePath("Sonvale_0000040C.SPK");
    QFile f(source);
    f.open(QIODevice::WriteOnly);
    f.write("language: 040C\nfirst: Fran\xC3\xA7"
            "ais\nflag: missing.bmp\n");
    f.close();
    TCliRun cli;
    EXPECT_EQ(cli({"lang", "build", source, spk}), 1); // the flag picture is missing
    EXPECT_FALSE(QFile::exists(spk));
    f.open(QIODevice::WriteOnly);
    f.write("language: 040C\nfirst: Fran\xC3\xA7"
            "ais\n[TMainDlg.go_btn]\ncaption: Go => Lancer\n");
    f.close();
    ASSERT_EQ(cli({"lang", "build", source, spk, "--version", "2.0.1.3"}), 0)
        << cli.err.toStdString();
    ASSERT_EQ(cli({"lang", "dump", spk}), 0);
    EXPECT_TRUE(cli.out.contains("first: Français\n"));
    EXPECT_TRUE(cli.out.contains("version: 2.0.1.3\n"));
    EXPECT_TRUE(cli.out.contains("[TMainDlg.go_btn]\ntag: 529\nalign: 0\ncaption/33: Lancer\n"));
    EXPECT_EQ(cli({"lang", "dump", source}), 1);
    EXPECT_EQ(cli({"lang", "build", source}), 2);
    EXPECT_EQ(cli({"lang", "frobnicate"}), 2);
}

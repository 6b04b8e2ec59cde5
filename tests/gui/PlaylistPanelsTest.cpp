// The playlist creator, the playlist checker, the files lister and the stream writer
// window as the user drives them.
#include "PanelTest.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tools/StreamWriter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PlaylistPanels : public TPanelTest {
protected:
    void SetUp() override {
        TPanelTest::SetUp();
        for (const char* f : {"Music/Album/a.mp3", "Music/Album/b.ogg", "Music/Album/c.wav"})
            ASSERT_TRUE(fixtures::WriteFile(P(f), "x"));
        dir.mkpath(QStringLiteral("Lists"));
    }
    QString P(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
    QString Text(const char* label) { return Find<QLabel>(label)->text(); }
};

TEST_F(PlaylistPanels, CreatorBuildsAndWritesAPlaylist) {
    dlg->Settings.PlaylistDirMode = 1;
    dlg->Settings.PlaylistRelative = true;
    dlg->ShowToolPanel(TToolPanel::PlaylistCreator);
    EXPECT_TRUE(Find<QCheckBox>("plscruserelative_chk")->isChecked());
    TToolList* list = dlg->ToolList(TToolPanel::PlaylistCreator);
    // The same file twice is a playlist's business; a WAVE file is not taken.
    EXPECT_TRUE(list->AddFileToList(P("Music/Album/a.mp3")));
    EXPECT_TRUE(list->AddFileToList(P("Music/Album/a.mp3")));
    EXPECT_FALSE(list->AddFileToList(P("Music/Album/c.wav")));
    EXPECT_EQ(Text("plscrnum_lbl"), "2 songs");
    EXPECT_EQ(Find<QLineEdit>("plscroutput_txt")->text(), P("Music/"));

    // Importing keeps the creator's rule: the WAVE entry is dropped.
    ASSERT_TRUE(fixtures::WriteFile(P("Lists/old.m3u"), "#EXTM3U\r\n..\\Music\\Album\\b.ogg\r\n"
                                                        "../Music/Album/c.wav\r\n"));
    prompter->OpenAnswers.enqueue({P("Lists/old.m3u")});
    Click("plscrimport_btn");
    EXPECT_EQ(list->Paths().last(), P("Music/Album/b.ogg"));
    EXPECT_EQ(Text("plscrnum_lbl"), "3 songs");

    auto* name = Find<QLineEdit>("plscrname_txt");
    QTest::keyClicks(name, QStringLiteral(" my/mi:x? "));
    EXPECT_EQ(name->text(), " mymix ");
    Click("plscrgo_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("Done !")});
    EXPECT_EQ(name->text(), "mymix");
    EXPECT_EQ(fixtures::ReadFile(P("Music/mymix.m3u")),
              "Album/a.mp3\r\nAlbum/a.mp3\r\nAlbum/b.ogg\r\n");
    EXPECT_TRUE(dlg->StreamWriter().Buffer.isEmpty());

    list->setCurrentRow(0);
    ListRemove(list);
    EXPECT_EQ(Text("plscrnum_lbl"), "2 songs");
}

TEST_F(PlaylistPanels, CreatorFolderAndConfiguredOutput) {
    dlg->Settings.PlaylistDirMode = 2;
    dlg->Settings.PlaylistUserDefinedDir = P("Lists");
    dlg->ShowToolPanel(TToolPanel::PlaylistCreator);
    EXPECT_EQ(Find<QLineEdit>("plscroutput_txt")->text(), P("Lists/"));
    Find<QLineEdit>("plscroutput_txt")->clear();
    dlg->Settings.PlaylistDirMode = 0;
    prompter->BrowseAnswers.enqueue(P("Music"));
    prompter->Answers.enqueue(mrYes);
    Click("plscradddir_btn");
    EXPECT_EQ(Find<QLineEdit>("plscroutput_txt")->text(), P("Music/"));
    EXPECT_EQ(dlg->ToolList(TToolPanel::PlaylistCreator)->count(), 2);
}

TEST_F(PlaylistPanels, CheckerLoadsAnalysesAndSaves) {
    const QString m3u = P("Lists/mix.m3u");
    ASSERT_TRUE(fixtures::WriteFile(m3u, "#EXTM3U\r\n../Music/Album/a.mp3\r\ngone.mp3\r\n"
                                         "../Music/Album/b.ogg\r\n"));
    dlg->Settings.PlaylistRelative = true;
    dlg->ShowToolPanel(TToolPanel::PlaylistChecker);
    EXPECT_TRUE(Find<QCheckBox>("plschkrelative_chk")->isChecked());
    prompter->OpenAnswers.enqueue({m3u});
    Click("plschkload_btn");
    EXPECT_EQ(Text("plscktot_lbl"), "Entries : 3");
    EXPECT_EQ(Text("plsckgood_lbl"), "Valid Entries : ?");
    EXPECT_EQ(Text("plsckbad_lbl"), "Invalid Entries : ?");
    Click("plschkanalyse_btn");
    EXPECT_EQ(Text("plsckgood_lbl"), "Valid Entries : 2");
    EXPECT_EQ(Text("plsckbad_lbl"), "Invalid Entries : 1");
    EXPECT_EQ(Find<QProgressBar>("plsck_prg")->value(), 100);
    Click("plschksave_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("Done !")});
    EXPECT_EQ(fixtures::ReadFile(m3u), "../Music/Album/a.mp3\r\n../Music/Album/b.ogg\r\n");

    // A cancelled load empties the list but keeps the playlist: saving now would empty it.
    prompter->Shown.clear();
    Click("plschkload_btn");
    EXPECT_EQ(Text("plscktot_lbl"), "Entries : 0");
    Click("plschksave_btn");
    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral(
                  "Empty playlist... You should delete the playlist file manually.")});
}

TEST_F(PlaylistPanels, ListerTakesAListAndWritesItsListing) {
    const QString mp3 = P("Music/Album/a.mp3");
    fixtures::EncodeOptions o;
    o.sampleRate = 22050;
    o.channels = 1;
    o.bitrate = 32000;
    o.seconds = 0.3;
    ASSERT_TRUE(fixtures::EncodeMp3(mp3, o));
    dlg->ToolList(TToolPanel::Lister)->AddFileToList(P("Music/Album/b.ogg"));
    dlg->LoadListerFiles({mp3, mp3}); // the whole list replaced, each file once
    EXPECT_EQ(dlg->CurrentPanel(), TToolPanel::Lister);
    EXPECT_EQ(dlg->ToolList(TToolPanel::Lister)->Paths(), QStringList{mp3});

    Click("listgo_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("Invalid output directory")});
    prompter->Shown.clear();
    prompter->BrowseAnswers.enqueue(P("Lists"));
    Click("listbrowse_btn");
    Click("listoptcsv_rdo");
    auto* columns = Find<QListWidget>("listparams_clb");
    columns->item(2)->setCheckState(Qt::Checked);
    columns->item(5)->setCheckState(Qt::Checked);
    Click("listgo_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("Done !")});
    EXPECT_EQ(fixtures::ReadFile(P("Lists/sonvale.csv")), "MP3;22050\r\n");
    EXPECT_EQ(Find<QProgressBar>("list_prg")->value(), 0);
}

TEST_F(PlaylistPanels, StreamWriterWindowWritesInChunks) {
    auto* window = dlg->findChild<QDialog*>(QStringLiteral("TStreamWriterDlg"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Please Wait...");
    TStreamWriter& writer = dlg->StreamWriter();
    writer.Buffer = QByteArray(kStreamWriterChunk + 1, 'x');
    writer.Target = P("Lists/out.txt");
    ASSERT_TRUE(writer.RunStreamWriter());
    EXPECT_EQ(window->findChild<QProgressBar*>(QStringLiteral("prg"))->value(), 100);
    EXPECT_TRUE(writer.Buffer.isEmpty());
    EXPECT_EQ(QFileInfo(writer.Target).size(), kStreamWriterChunk + 1);
    writer.Buffer = "x";
    writer.Target = P("Missing/out.txt");
    EXPECT_FALSE(writer.RunStreamWriter());
    EXPECT_FALSE(writer.LastError.isEmpty());
    EXPECT_TRUE(writer.Buffer.isEmpty());
}

} // namespace

#include "PanelTest.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "support/ScriptedPrompter.h"
#include "tags/Id3v1Tag.h"
#include "tagtools/TagToolsSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tagtools;

namespace {

class TagToolPanels : public TPanelTest {
protected:
    void ClickEntry(TToolList* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void Fill(TToolPanel panel, const QStringList& paths) {
        TToolList* list = dlg->ToolList(panel);
        for (const QString& p : paths)
            ASSERT_TRUE(list->AddFileToList(p)) << p.toStdString();
    }
};

TEST_F(TagToolPanels, TaggerControlsStartAsTheToolExpects) {
    auto* group = Find<QGroupBox>("mltmeta_grp");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "Meta Information");
    EXPECT_EQ(Find<QLineEdit>("mltyear_txt")->maxLength(), 4);
    auto* genre = Find<QComboBox>("mltgenre_txt");
    ASSERT_NE(genre, nullptr);
    EXPECT_TRUE(genre->isEditable());
    EXPECT_EQ(genre->currentText(), "");
    QStringList names;
    for (int i = 0; i < genre->count(); ++i)
        names << genre->itemText(i);
    EXPECT_EQ(names.size(), GenreNames().size());
    for (int i = 1; i < names.size(); ++i)
        EXPECT_LE(names[i - 1].compare(names[i], Qt::CaseInsensitive), 0)
            << names[i - 1].toStdString() << " / " << names[i].toStdString();
    for (const char* n : {"mltid3v1_chk", "mltid3v2_chk", "mltape_chk", "mltvorbis_chk",
                          "tremid3v1_chk", "tremid3v2_chk", "tremape_chk", "tremvorbis_chk"})
        EXPECT_TRUE(Find<QCheckBox>(n)->isChecked()) << n;
    EXPECT_EQ(Find<QAbstractButton>("mltgo_btn")->text(), "&Go");
    EXPECT_EQ(Find<QAbstractButton>("tremrem_btn")->text(), "&Clean");
    EXPECT_EQ(dlg->findChildren<QAbstractButton*>("tremrem_btn").size(), 1);
    EXPECT_EQ(dlg->findChildren<QAbstractButton*>("mltgo_btn").size(), 1);
    EXPECT_EQ(Find<QGroupBox>("tremtags_grp")->title(), "Tags");
}

TEST_F(TagToolPanels, TaggerGoNumbersTheListAndClickLoadsValues) {
    const QString c = MakeMp3(dir, QStringLiteral("c.mp3"), QStringLiteral("Three"));
    const QString a = MakeOgg(dir, QStringLiteral("a.ogg"), QStringLiteral("One"));
    const QString b = MakeMp3(dir, QStringLiteral("b.mp3"));
    dlg->ShowToolPanel(TToolPanel::MultipleFiles);
    Fill(TToolPanel::MultipleFiles, {c, a, b});
    Find<QLineEdit>("mltartist_txt")->setText(QStringLiteral("Artist"));
    Find<QLineEdit>("mltalbum_txt")->setText(QStringLiteral("Album"));
    QTest::keyClicks(Find<QLineEdit>("mltyear_txt"), QStringLiteral("200405"));
    Find<QComboBox>("mltgenre_txt")->setEditText(QStringLiteral("Blues"));
    Find<QPlainTextEdit>("mltcomments_mmo")->setPlainText(QStringLiteral("one\ntwo"));
    Click("mltgo_btn");

    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral("MetaTags successfully upated in all files.")});
    EXPECT_EQ(U(c, "track"), "1");
    EXPECT_EQ(U(a, "track"), "2");
    EXPECT_EQ(U(b, "track"), "3");
    EXPECT_EQ(U(b, "title"), "");
    EXPECT_EQ(U(a, "year"), "2004");
    EXPECT_EQ(U(a, "genre"), "Blues");
    EXPECT_EQ(U(a, "comments"), "one\r\ntwo");
    EXPECT_EQ(Find<QProgressBar>("mlt_prg")->value(), 0);
    EXPECT_TRUE(Find<QAbstractButton>("mltgo_btn")->isEnabled());

    // Clicking an entry loads its values; the comments stay as typed.
    ASSERT_TRUE(WriteFileTags(b, QStringLiteral("Other"), -1, QStringLiteral("keep me?"),
                              QStringLiteral("3"), QStringLiteral("Jazz"), QStringLiteral("1970"),
                              QStringLiteral("Elsewhere"), {}));
    auto* list = dlg->ToolList(TToolPanel::MultipleFiles);
    ClickEntry(list, 2);
    EXPECT_EQ(Find<QLineEdit>("mltartist_txt")->text(), "Other");
    EXPECT_EQ(Find<QLineEdit>("mltalbum_txt")->text(), "Elsewhere");
    EXPECT_EQ(Find<QLineEdit>("mltyear_txt")->text(), "1970");
    EXPECT_EQ(Find<QComboBox>("mltgenre_txt")->currentText(), "Jazz");
    EXPECT_EQ(Find<QPlainTextEdit>("mltcomments_mmo")->toPlainText(), "one\ntwo");

    // Entries that no longer open, or that their reader refuses, change nothing.
    QFile::remove(c);
    fixtures::WriteFile(a, QByteArray("OggS"));
    auto errors = std::make_shared<TScriptedPrompter>();
    TestApp().ErrorPrompter = errors;
    ClickEntry(list, 0);
    ClickEntry(list, 1);
    TestApp().ErrorPrompter.reset();
    EXPECT_TRUE(errors->Shown.isEmpty());
    EXPECT_EQ(Find<QLineEdit>("mltartist_txt")->text(), "Other");
    EXPECT_EQ(Find<QComboBox>("mltgenre_txt")->currentText(), "Jazz");
}

TEST_F(TagToolPanels, TaggerNoKindsFlacAndDamagedFiles) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("A"));
    const QString flac = dir.filePath(QStringLiteral("b.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    dlg->ShowToolPanel(TToolPanel::MultipleFiles);
    Fill(TToolPanel::MultipleFiles, {a, flac});
    // Every value given, so nothing is erased and nothing asked.
    for (const char* field : {"mltartist_txt", "mltalbum_txt", "mltyear_txt"})
        Find<QLineEdit>(field)->setText(QStringLiteral("1999"));
    Find<QComboBox>("mltgenre_txt")->setEditText(QStringLiteral("Rock"));
    Find<QPlainTextEdit>("mltcomments_mmo")->setPlainText(QStringLiteral("c"));

    const QByteArray before = fixtures::ReadFile(a);
    for (const char* n : {"mltid3v1_chk", "mltid3v2_chk", "mltape_chk", "mltvorbis_chk"})
        Find<QCheckBox>(n)->setChecked(false);
    Click("mltgo_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("No tags selected.")});
    EXPECT_EQ(fixtures::ReadFile(a), before);

    prompter->Shown.clear();
    Find<QCheckBox>("mltid3v2_chk")->setChecked(true);
    Click("mltgo_btn");
    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral("Errors have occured while updating metatags")});
    EXPECT_EQ(U(a, "track"), "1");
    EXPECT_FALSE(fixtures::ReadFile(a).right(128).startsWith("TAG"));

    // A damaged file: the error display shows the reader's message, no closing message,
    // and the files after it are left alone.
    const QString bad = dir.filePath(QStringLiteral("bad.mp3"));
    fixtures::WriteFile(bad, QByteArray(3000, '\0'));
    const QString last = MakeMp3(dir, QStringLiteral("z.mp3"));
    const QByteArray lastBefore = fixtures::ReadFile(last);
    dlg->ToolList(TToolPanel::MultipleFiles)->clear();
    Fill(TToolPanel::MultipleFiles, {a, bad, last});
    auto errors = std::make_shared<TScriptedPrompter>();
    TestApp().ErrorPrompter = errors;
    prompter->Shown.clear();
    Click("mltgo_btn");
    TestApp().ErrorPrompter.reset();
    ASSERT_EQ(errors->Shown.size(), 1);
    EXPECT_EQ(errors->Shown[0].Kind, mkError);
    EXPECT_TRUE(prompter->Shown.isEmpty());
    EXPECT_EQ(fixtures::ReadFile(last), lastBefore);
    EXPECT_TRUE(Find<QAbstractButton>("mltgo_btn")->isEnabled());
}

TEST_F(TagToolPanels, RemoverCleansACopyWithProgressInQuarters) {
    QStringList files;
    for (const char* n : {"1.mp3", "2.mp3", "3.ogg", "4.mp3"}) {
        const QString name = QString::fromLatin1(n);
        files << (name.endsWith(QLatin1String(".ogg")) ? MakeOgg(dir, name, QStringLiteral("T"))
                                                       : MakeMp3(dir, name, QStringLiteral("T")));
    }
    dlg->ShowToolPanel(TToolPanel::Remover);
    Fill(TToolPanel::Remover, files);
    auto* list = dlg->ToolList(TToolPanel::Remover);
    auto* bar = Find<QProgressBar>("trem_prg");
    EXPECT_EQ(bar->maximum(), 100);
    QList<int> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
        shown << v;
        // The user empties the list while the run handles events: the run goes on.
        list->clear();
    });
    Click("tremrem_btn");
    EXPECT_EQ(shown, (QList<int>{25, 50, 75, 100, 0}));
    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral("MetaTags successfully removed from all files.")});
    for (const QString& f : files)
        EXPECT_EQ(U(f, "title"), "") << f.toStdString();
    if (HaveMutagen()) {
        EXPECT_TRUE(Mutagen(files[2], kEasyTags).isEmpty());
    }
}

TEST_F(TagToolPanels, RemoverKindsAndAMissingFile) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("T"));
    ASSERT_TRUE(WriteFileTags(a, QStringLiteral("X"), 1, {}, {}, {}, {}, {}, QStringLiteral("T")));
    const QString gone = MakeMp3(dir, QStringLiteral("gone.mp3"));
    dlg->ShowToolPanel(TToolPanel::Remover);
    Fill(TToolPanel::Remover, {gone, a});
    QFile::remove(gone);

    for (const char* n : {"tremid3v1_chk", "tremid3v2_chk", "tremape_chk", "tremvorbis_chk"})
        Find<QCheckBox>(n)->setChecked(false);
    Click("tremrem_btn");
    EXPECT_EQ(prompter->Texts(), QStringList{QStringLiteral("No tags selected.")});

    prompter->Shown.clear();
    Find<QCheckBox>("tremid3v1_chk")->setChecked(true);
    const qint64 size = QFileInfo(a).size();
    Click("tremrem_btn");
    EXPECT_EQ(prompter->Texts(),
              QStringList{QStringLiteral("Errors have occured while removing metatags")});
    EXPECT_EQ(QFileInfo(a).size(), size - 128);
    EXPECT_TRUE(fixtures::ReadFile(a).startsWith("ID3")); // ID3v2 was not asked for
    EXPECT_EQ(dlg->ToolList(TToolPanel::Remover)->Paths(), (QStringList{gone, a}));
}

} // namespace

TEST_F(TagToolPanels, WhileARunGoesOnlyItsCancelAndTheListsStayUsable) {
    QApplication::processEvents(); // the bars get their status once laid out
    auto* go = Find<QPushButton>("mltgo_btn");
    auto* bar = Find<QProgressBar>("mlt_prg");
    const QList<QAbstractButton*> starters = {Find<QAbstractButton>("tremrem_btn"),
                                              Find<QAbstractButton>("sngedupdate_btn"),
                                              Find<QAbstractButton>("sndedplayback_btn")};
    auto* otherList = Find<QAbstractButton>("tremremove_btn");
    {
        const TToolRunGuard guard(go, bar);
        TBarProgress progress(bar);
        EXPECT_FALSE(go->isEnabled());
        for (QAbstractButton* b : starters)
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_TRUE(otherList->isEnabled());
        EXPECT_FALSE(Find<QAbstractButton>("tremcancel_btn")->isEnabled());

        progress.SetItem(7, 2000, "/music/album/07 song.mp3");
        EXPECT_EQ(Find<QLabel>("mltcount_lbl")->text(), "7 / 2000");
        // Cancel is offered once the tool asks whether to stop.
        EXPECT_FALSE(Find<QAbstractButton>("mltcancel_btn")->isEnabled());
        EXPECT_FALSE(progress.Cancelled());
        Click("mltcancel_btn");
        EXPECT_TRUE(progress.Cancelled());
    }
    EXPECT_TRUE(go->isEnabled());
    for (QAbstractButton* b : starters)
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(Find<QAbstractButton>("mltcancel_btn")->isEnabled());
    EXPECT_EQ(Find<QLabel>("mltcount_lbl")->text(), "");
    // The next run starts afresh.
    const TToolRunGuard again(go, bar);
    EXPECT_FALSE(TBarProgress(bar).Cancelled());
}

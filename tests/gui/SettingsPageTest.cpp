#include "gui/SettingsPage.h"
#include "GuiMain.h"
#include "gui/MainDlg.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

class SettingsPage : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ClearStore();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
    }
    void TearDown() override { ClearStore(); }
    static void ClearStore() {
        auto s = platform::OpenVendorSettings();
        s->clear();
        s->sync();
    }

    template <class T> T* Find(const char* name) {
        auto* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Text(const char* combo) { return Find<QComboBox>(combo)->currentText(); }
    bool Checked(const char* box) { return Find<QAbstractButton>(box)->isChecked(); }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    // Writes raw values into the store as another program run would have left them.
    void Store(const QList<QPair<QString, QVariant>>& values) {
        auto s = platform::OpenSettings();
        for (const auto& v : values)
            s->setValue(v.first, v.second);
        s->sync();
    }
    QString Stored(const char* key) {
        return platform::OpenSettings()->value(QString::fromLatin1(key)).toString();
    }
    void Restart() {
        dlg = std::make_unique<TMainDlg>(prompter);
        dlg->SettingsPage()->LoadSettings();
    }

    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};

} // namespace

TEST_F(SettingsPage, FreshInstallationShowsTheDefaults) {
    dlg->SettingsPage()->LoadSettings();
    EXPECT_EQ(Text("setuprenpattern_cmb"), "%1 - %3 - %6 - %2");
    EXPECT_EQ(Text("setupplspattern_cmb"), "%1 - %3");
    EXPECT_EQ(Text("setuporgrenpattern_cmb"), "%1 - %3 - %2");
    EXPECT_EQ(Text("setuporgsubdirpattern_cmb"), "%1");
    for (const char* kind :
         {"setuprenid3v1_chk", "setuprenid3v2_chk", "setuprenapev2_chk", "setuprenvorbis_chk"})
        EXPECT_TRUE(Checked(kind)) << kind;
    EXPECT_FALSE(Checked("setupfreedbproxy_chk"));
    EXPECT_EQ(Find<QSpinBox>("setupfreedbproxyport_txt")->value(), 80);
    EXPECT_EQ(Find<QLineEdit>("setupfreedbcgi_txt")->text(), "/~cddb/cddb.cgi");
    EXPECT_TRUE(Checked("setupplscralb_rdo"));
    EXPECT_FALSE(Checked("disableassistant_chk"));
    EXPECT_FALSE(Checked("setupplsrelative_chk"));
    EXPECT_TRUE(Text("setupplcmd_cmb").isEmpty());
    // The presets are offered in their order.
    auto* subdir = Find<QComboBox>("setuporgsubdirpattern_cmb");
    ASSERT_EQ(subdir->count(), 4);
    EXPECT_EQ(subdir->itemText(2), "%1\\%3");
    EXPECT_EQ(Find<QComboBox>("setuprenpattern_cmb")->count(), 6);
    // The samples beside the boxes.
    EXPECT_EQ(Find<QLabel>("setuprenpatternsample_lbl")->text(),
              "Artist - Album - 01 - Track Name");
    EXPECT_EQ(Find<QLabel>("setupplspatternsample_lbl")->text(), "Artist - Album");
    // The tools see the same values.
    EXPECT_EQ(dlg->Settings.RenameTagMask, 15);
    EXPECT_EQ(dlg->Settings.OrganizerSubDirPattern, "%1");
    // The server list comes from freedb.lst beside the program.
    const QString lst = QDir(platform::DataFolder()).filePath("freedb.lst");
    if (QFileInfo::exists(lst)) {
        auto* servers = Find<QComboBox>("setupfreedbserver_cmb");
        EXPECT_EQ(servers->count(), platform::ReadServerList(lst).size());
        EXPECT_EQ(servers->currentIndex(), servers->count() > 0 ? 0 : -1);
    }
}

TEST_F(SettingsPage, ValuesSurviveARestartThroughTheControls) {
    dlg->SettingsPage()->LoadSettings();
    Find<QCheckBox>("setupfreedbproxy_chk")->setChecked(true);
    Find<QLineEdit>("setupfreedbproxyserver_txt")->setText("proxy.lan");
    Find<QSpinBox>("setupfreedbproxyport_txt")->setValue(3128);
    Find<QLineEdit>("setupfreedbproxyname_txt")->setText("me");
    Find<QLineEdit>("setupfreedbproxypass_txt")->setText("sécret");
    Find<QLineEdit>("setupfreedbcgi_txt")->setText("/cgi-bin/cddb.cgi");
    Find<QCheckBox>("disableassistant_chk")->setChecked(true);
    Find<QComboBox>("setuprenpattern_cmb")->setEditText("[%6] %2");
    Find<QCheckBox>("setuprenid3v1_chk")->setChecked(false);
    Find<QCheckBox>("setuprenapev2_chk")->setChecked(false);
    Find<QCheckBox>("setupplsrelative_chk")->setChecked(true);
    Find<QComboBox>("setupplspattern_cmb")->setCurrentIndex(1);
    Find<QRadioButton>("setupplscrparent_rdo")->setChecked(true);
    Find<QComboBox>("setuporgrenpattern_cmb")->setEditText("%6 %2");
    Find<QComboBox>("setuporgsubdirpattern_cmb")->setCurrentIndex(2);
    Find<QComboBox>("setupplcmd_cmb")->setEditText("vlc \"%1\"");
    prompter->BrowseAnswers << "/music/base"
                            << "/music/lists/";
    Click("setuporgbrowse_btn");
    Find<QRadioButton>("setupplscrfolder_rdo")->setChecked(true);
    Click("setupplscrbrowse_btn");
    prompter->OpenAnswers << QStringList{"/opt/burn haven/Burnhaven"};
    Click("setupburnbrowse_btn");
    Click("setupsave_btn");

    // Stored as the other programs of the family expect them.
    EXPECT_EQ(Stored("FreeDB_UseProxy"), "1");
    EXPECT_EQ(Stored("DisableAssistant"), "1");
    EXPECT_EQ(Stored("Playlist_Relative"), "1");
    EXPECT_EQ(Stored("FreeDB_ProxyPort"), "3128");
    EXPECT_EQ(Stored("Rename_TagMask"), "10");
    EXPECT_EQ(Stored("Playlist_DirMode"), "2");
    EXPECT_EQ(Stored("Organizer_BaseDir"), "/music/base/");
    EXPECT_EQ(Stored("Playlist_UserDefinedDir"), "/music/lists/");
    EXPECT_EQ(Stored("Burnhaven"), "/opt/burn haven/Burnhaven");

    Restart();
    EXPECT_TRUE(Checked("setupfreedbproxy_chk"));
    EXPECT_EQ(Find<QLineEdit>("setupfreedbproxyserver_txt")->text(), "proxy.lan");
    EXPECT_EQ(Find<QSpinBox>("setupfreedbproxyport_txt")->value(), 3128);
    EXPECT_EQ(Find<QLineEdit>("setupfreedbproxyname_txt")->text(), "me");
    EXPECT_EQ(Find<QLineEdit>("setupfreedbproxypass_txt")->text(), "sécret");
    EXPECT_EQ(Find<QLineEdit>("setupfreedbcgi_txt")->text(), "/cgi-bin/cddb.cgi");
    EXPECT_TRUE(Checked("disableassistant_chk"));
    EXPECT_EQ(Text("setuprenpattern_cmb"), "[%6] %2");
    EXPECT_FALSE(Checked("setuprenid3v1_chk"));
    EXPECT_TRUE(Checked("setuprenid3v2_chk"));
    EXPECT_FALSE(Checked("setuprenapev2_chk"));
    EXPECT_TRUE(Checked("setuprenvorbis_chk"));
    EXPECT_TRUE(Checked("setupplsrelative_chk"));
    EXPECT_EQ(Text("setupplspattern_cmb"), "%3");
    EXPECT_TRUE(Checked("setupplscrfolder_rdo"));
    EXPECT_EQ(Find<QLineEdit>("setupplscrfolder_txt")->text(), "/music/lists/");
    EXPECT_EQ(Find<QLineEdit>("setuporgbasedir_txt")->text(), "/music/base/");
    EXPECT_EQ(Text("setuporgrenpattern_cmb"), "%6 %2");
    EXPECT_EQ(Text("setuporgsubdirpattern_cmb"), "%1\\%3");
    EXPECT_EQ(Text("setupplcmd_cmb"), "vlc \"%1\"");
    EXPECT_EQ(dlg->Settings.PlaylistDirMode, 2);
    EXPECT_EQ(dlg->Settings.RenameTagMask, 10);
    EXPECT_EQ(dlg->Settings.PlaybackCommandLine, "vlc \"%1\"");
    EXPECT_EQ(dlg->Settings.Burnhaven, "/opt/burn haven/Burnhaven");
}

TEST_F(SettingsPage, GarbageInTheStoreGivesTheDefaults) {
    Store({{"FreeDB_ProxyPort", "eighty"},
           {"Playlist_DirMode", "7"},
           {"FreeDB_UseProxy", "yes"},
           {"DisableAssistant", "true"},
           {"Rename_TagMask", "all"},
           {"Rename_Pattern", QStringList{"%1", "%2"}},
           {"Organizer_SubDirPattern", "%1/%3:x"}});
    dlg->SettingsPage()->LoadSettings();
    EXPECT_EQ(Find<QSpinBox>("setupfreedbproxyport_txt")->value(), 80);
    EXPECT_TRUE(Checked("setupplscralb_rdo"));
    EXPECT_FALSE(Find<QLineEdit>("setupplscrfolder_txt")->isEnabled());
    EXPECT_FALSE(Checked("setupfreedbproxy_chk"));
    EXPECT_FALSE(Checked("disableassistant_chk"));
    EXPECT_TRUE(Checked("setuprenvorbis_chk"));
    EXPECT_EQ(Text("setuprenpattern_cmb"), "%1 - %3 - %6 - %2");
    // A stored pattern goes through the same cleaning as typed text.
    EXPECT_EQ(Text("setuporgsubdirpattern_cmb"), "%1%3x");
    // A port that no socket can use is no port either; a negative mode is unknown too.
    Store({{"FreeDB_ProxyPort", "70000"}, {"Playlist_DirMode", "-1"}});
    Restart();
    EXPECT_EQ(Find<QSpinBox>("setupfreedbproxyport_txt")->value(), 80);
    EXPECT_TRUE(Checked("setupplscralb_rdo"));

    // A settings file that is not a settings file at all.
    QFile f(TestSettingsFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray("\x00\xff[[[=\n\xfe\xfe=\x01", 12).repeated(100));
    f.close();
    Restart();
    EXPECT_EQ(Text("setuprenpattern_cmb"), "%1 - %3 - %6 - %2");
    EXPECT_EQ(Find<QSpinBox>("setupfreedbproxyport_txt")->value(), 80);
    QFile::remove(TestSettingsFile());
}

TEST_F(SettingsPage, PlaylistFolderOnlyForTheGivenFolderChoice) {
    dlg->SettingsPage()->LoadSettings();
    auto* folder = Find<QLineEdit>("setupplscrfolder_txt");
    auto* browse = Find<QAbstractButton>("setupplscrbrowse_btn");
    EXPECT_FALSE(folder->isEnabled());
    EXPECT_FALSE(browse->isEnabled());
    Click("setupplscrfolder_rdo");
    EXPECT_TRUE(folder->isEnabled());
    EXPECT_TRUE(browse->isEnabled());
    Click("setupplscrparent_rdo");
    EXPECT_FALSE(folder->isEnabled());
    EXPECT_FALSE(browse->isEnabled());
    EXPECT_EQ(dlg->Settings.PlaylistDirMode, 1);
    // The folder boxes are set only by their "Browse" buttons; a cancelled dialog keeps them.
    EXPECT_TRUE(folder->isReadOnly());
    Find<QLineEdit>("setuporgbasedir_txt")->setText("/kept/");
    Click("setuporgbrowse_btn");
    EXPECT_EQ(Find<QLineEdit>("setuporgbasedir_txt")->text(), "/kept/");
}

TEST_F(SettingsPage, LeavingThePageSavesWithoutTheSaveButton) {
    dlg->SettingsPage()->LoadSettings();
    dlg->ShowToolPanel(TToolPanel::Settings);
    Find<QLineEdit>("setupfreedbcgi_txt")->setText("/other.cgi");
    EXPECT_FALSE(platform::OpenSettings()->contains("FreeDB_CGIPath"));
    dlg->ShowToolPanel(TToolPanel::Organizer);
    EXPECT_EQ(Stored("FreeDB_CGIPath"), "/other.cgi");
    // Every value is written, also the untouched ones.
    EXPECT_EQ(Stored("Organizer_SubDirPattern"), "%1");
    EXPECT_EQ(Stored("DisableAssistant"), "0");
    // Other panels leave the store alone.
    platform::OpenSettings()->remove("FreeDB_CGIPath");
    dlg->ShowToolPanel(TToolPanel::Tools);
    EXPECT_FALSE(platform::OpenSettings()->contains("FreeDB_CGIPath"));
}

TEST_F(SettingsPage, PatternBoxesRefuseForbiddenCharactersAndShowSamples) {
    dlg->SettingsPage()->LoadSettings();
    dlg->ShowToolPanel(TToolPanel::Settings);
    auto* ren = Find<QComboBox>("setuprenpattern_cmb");
    auto* subdir = Find<QComboBox>("setuporgsubdirpattern_cmb");
    ren->setEditText(QString());
    QTest::keyClicks(ren->lineEdit(), "%1:?\\/ - %2*");
    EXPECT_EQ(ren->currentText(), "%1 - %2");
    EXPECT_EQ(Find<QLabel>("setuprenpatternsample_lbl")->text(), "Artist - Track Name");
    // The folder-level separator stays in the subfolder box only.
    subdir->setEditText(QString());
    QTest::keyClicks(subdir->lineEdit(), "%1\\%3/|");
    EXPECT_EQ(subdir->currentText(), "%1\\%3");
    EXPECT_EQ(Find<QLabel>("setuporgsubdirpatternsample_lbl")->text(), "Artist\\Album");
    EXPECT_EQ(dlg->Settings.OrganizerSubDirPattern, "%1\\%3");
    // A refused key leaves the box alone: a selection is not replaced by nothing.
    ren->lineEdit()->selectAll();
    QTest::keyClick(ren->lineEdit(), '?');
    EXPECT_EQ(ren->currentText(), "%1 - %2");
    // Pasted text is cleaned as a whole.
    ren->setEditText("AC/DC: %1 <%2>");
    EXPECT_EQ(ren->currentText(), "ACDC %1 %2");
    EXPECT_EQ(dlg->Settings.RenamePattern, "ACDC %1 %2");
    // Skip lists: the playlist sample keeps "%6", the subfolder sample "%6" and "%2".
    Find<QComboBox>("setupplspattern_cmb")->setEditText("%6 %1 %2");
    EXPECT_EQ(Find<QLabel>("setupplspatternsample_lbl")->text(), "%6 Artist Track Name");
    subdir->setEditText("%1 %2 %6");
    EXPECT_EQ(Find<QLabel>("setuporgsubdirpatternsample_lbl")->text(), "Artist %2 %6");
    // Choosing a preset refreshes the sample.
    ren->setCurrentIndex(4);
    EXPECT_EQ(Find<QLabel>("setuprenpatternsample_lbl")->text(), "01 - Track Name");
}

TEST_F(SettingsPage, DetectedPlayerOffersItsCommandLine) {
    QTemporaryDir tmp;
    const QString folder = tmp.filePath("Larkspur Player");
    ASSERT_TRUE(QDir().mkpath(folder));
    dlg->SettingsPage()->LoadSettings();
    dlg->ShowToolPanel(TToolPanel::Settings);
    auto* players = Find<QComboBox>("setupplauto_cmb");
    auto* commands = Find<QComboBox>("setupplcmd_cmb");
    auto* use = Find<QAbstractButton>("setupplauto_btn");
    // Configured, but the program is not there.
    Store({{"lkp", folder}});
    dlg->ShowToolPanel(TToolPanel::Settings);
    EXPECT_EQ(players->count(), 0);
    EXPECT_FALSE(use->isEnabled());

    QFile exe(folder + "/lkp");
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    commands->setEditText("mine \"%1\"");
    dlg->ShowToolPanel(TToolPanel::Settings);
    dlg->ShowToolPanel(TToolPanel::Settings);
    ASSERT_EQ(players->count(), 1);
    EXPECT_EQ(players->currentText(), "Larkspur Player");
    // Showing the page again does not pile up entries; the typed text stays.
    ASSERT_EQ(commands->count(), 1);
    EXPECT_EQ(commands->currentText(), "mine \"%1\"");
    EXPECT_TRUE(use->isEnabled());
    Click("setupplauto_btn");
    EXPECT_EQ(commands->currentText(), "\"" + folder + "/lkp\" \"%1\"");
    EXPECT_EQ(dlg->Settings.PlaybackCommandLine, commands->currentText());
    EXPECT_EQ(platform::PlayerArguments(commands->currentText(), "/m/a b.mp3"),
              QStringList({folder + "/lkp", "/m/a b.mp3"}));
}

TEST_F(SettingsPage, PlayRunsTheCommandLineOnlyWithAPlaceholder) {
    QTemporaryDir tmp;
    const QString target = tmp.filePath("played file.txt");
    dlg->SettingsPage()->LoadSettings();
    auto* commands = Find<QComboBox>("setupplcmd_cmb");
    commands->setEditText("/usr/bin/touch");
    EXPECT_FALSE(dlg->SettingsPage()->PlayFile(target));
    commands->setEditText("/usr/bin/touch \"%1\"");
    ASSERT_TRUE(dlg->SettingsPage()->PlayFile(target));
    // The player runs on its own; the path with a blank arrives as one argument.
    for (int i = 0; i < 100 && !QFileInfo::exists(target); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(QFileInfo::exists(target));
}

TEST_F(SettingsPage, ClosingTheWindowOnTheSettingsPageSavesThem) {
    dlg->SettingsPage()->LoadSettings();
    dlg->ShowToolPanel(TToolPanel::Settings);
    Find<QLineEdit>("setupfreedbcgi_txt")->setText("/closed.cgi");
    dlg->close();
    EXPECT_EQ(Stored("FreeDB_CGIPath"), "/closed.cgi");
    // Elsewhere the settings were saved when their page was left.
    Restart();
    Find<QLineEdit>("setupfreedbcgi_txt")->setText("/unsaved.cgi");
    dlg->close();
    EXPECT_EQ(Stored("FreeDB_CGIPath"), "/closed.cgi");
}

TEST_F(SettingsPage, WheelChangesABoxOnlyWhenItHasTheFocus) {
    dlg->SettingsPage()->LoadSettings();
    dlg->ShowToolPanel(TToolPanel::Settings);
    Find<QListWidget>("setup_lst")->setCurrentRow(2);
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    auto* box = Find<QComboBox>("setuprenpattern_cmb");
    box->setCurrentIndex(1);
    auto wheel = [&] {
        const QPointF at = box->rect().center();
        QWheelEvent e(at, box->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &e);
    };
    Find<QListWidget>("setup_lst")->setFocus();
    wheel();
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_FALSE(box->hasFocus()); // the wheel gives no focus either
    box->setFocus();
    ASSERT_TRUE(box->hasFocus());
    wheel();
    EXPECT_EQ(box->currentIndex(), 2);
}

#include "gui/AlbumPanel.h"
#include "GuiMain.h"
#include "album/AlbumFixture.h"
#include "audio/AudioHelpers.h"
#include "gui/AutoSortDlg.h"
#include "gui/FreeDBDlg.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "support/ReplayServer.h"
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace tagtools;

namespace {

// Pictures of the windows for a review, when asked for.
void Shot(QWidget* w, const char* name) {
    const QString folder = qEnvironmentVariable("SONVALE_SHOT_DIR");
    if (!folder.isEmpty()) w->grab().save(folder + QLatin1Char('/') + QLatin1String(name));
}

// Runs `script` once `window` shows (inside its own modal loop).
void WhenShown(QWidget* window, std::function<void()> script) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [poll, window, script] {
        if (!window->isVisible()) return;
        poll->deleteLater();
        poll->stop();
        script();
    });
    poll->start(20);
}

} // namespace

TEST(AlbumPanel, AddFilesLooksUpSortsAndGoRenames) {
    TestApp();
    QTemporaryDir tmp;
    const QDir dir(album::MakeAlbum(tmp.path()));
    TReplayServer server([](const QByteArray& head) {
        if (head.contains("cmd=cddb+query+")) return TReplay{TReplayServer::Ok(album::kQueryReply)};
        return TReplay{TReplayServer::Ok(album::kReadReply)};
    });
    auto prompter = std::make_shared<TScriptedPrompter>();
    TMainDlg dlg(prompter);
    dlg.Settings.FreeDBServers = {server.Url()};
    dlg.Settings.FreeDBServerIndex = 0;
    dlg.Settings.LookupSource = 1;
    dlg.Settings.RenamePattern = QStringLiteral("%6 - %2");
    dlg.Settings.FreeDBEmail.clear();
    dlg.ShowToolPanel(TToolPanel::Album);
    auto* panel = dlg.findChild<TAlbumPanel*>(QStringLiteral("tagren"));
    ASSERT_NE(panel, nullptr);
    prompter->BrowseAnswers.enqueue(dir.path());
    prompter->Answers << mrYes << mrYes; // fetch the names, then sort
    prompter->TextAnswers.enqueue(QStringLiteral("me@mail.example"));
    TFreeDBDlg* lookup = panel->FreeDBDlg();
    TAutoSortDlg* sort = panel->AutoSortDlg();
    WhenShown(lookup, [&] {
        EXPECT_EQ(lookup->freedbsearch_txt->text(), QStringLiteral("Some Album"));
        lookup->freedbsearch_btnClick();
        lookup->freedbres_lst->setCurrentRow(0);
        lookup->freedbfetch_btnClick();
        Shot(lookup, "lookup.png");
        WhenShown(sort, [&] {
            sort->time_rdo->setChecked(true);
            sort->go_btn->click();
            Shot(sort, "autosort.png");
            sort->accept();
        });
        lookup->freedbok_btn->click();
    });
    panel->trlocaddfiles_btnClick();
    EXPECT_EQ(dlg.Settings.FreeDBEmail, QStringLiteral("me@mail.example"));
    EXPECT_EQ(lookup->freedbtracknum_lbl->text(), QStringLiteral("3"));
    EXPECT_EQ(panel->Durations, (QList<int32_t>{1000, 2000, 3000}));
    const QList<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_TRUE(requests[0].contains("\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, "
                                     "image/pjpeg, */*\r\nUser-Agent: Mozilla/3.0 "
                                     "(compatible)\r\nHost: 127.0.0.1:"));
    TToolList* local = dlg.ToolList(TToolPanel::Album);
    ASSERT_EQ(local->count(), 3);
    EXPECT_EQ(local->item(0)->text(), QStringLiteral("b intro.mp3"));
    Shot(&dlg, "tr_pnl.png");

    dlg.findChild<QPushButton*>(QStringLiteral("trgo_btn"))->click();
    EXPECT_EQ(local->item(2)->text(), QStringLiteral("03 - The Track.mp3"));
    EXPECT_NEAR(AudioDurationMs(dir.filePath(QStringLiteral("01 - Intro.mp3"))), 1000, 150);
    EXPECT_EQ(U(dir.filePath(QStringLiteral("02 - Middle.mp3")), "album"),
              QStringLiteral("Some Album"));
    EXPECT_EQ(prompter->Texts().filter(QStringLiteral("Done !")).size(), 1);
}

TEST(AlbumPanel, ListsMustBeReady) {
    TestApp();
    auto prompter = std::make_shared<TScriptedPrompter>();
    TMainDlg dlg(prompter);
    auto* go = dlg.findChild<QPushButton*>(QStringLiteral("trgo_btn"));
    go->click();
    dlg.ToolList(TToolPanel::Album)->addItem(QStringLiteral("x.mp3"));
    go->click();
    dlg.findChild<QListWidget*>(QStringLiteral("trnewtracks_lst"))
        ->addItems({QStringLiteral("a"), QStringLiteral("b")});
    dlg.findChild<QPushButton*>(QStringLiteral("trnewsort_btn"))->click();
    EXPECT_EQ(prompter->Texts(),
              (QStringList{QStringLiteral("Empty local files list."),
                           QStringLiteral("Empty new tracks list. Please query the FreeDB first."),
                           QStringLiteral("Number of tracks does not match.")}));
}

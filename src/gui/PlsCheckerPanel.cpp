#include "gui/PlsCheckerPanel.h"

#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "io/FileUtils.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TPlsCheckerPanel::TPlsCheckerPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::PlaylistChecker)) {
    setObjectName(QStringLiteral("plsck"));
    const TToolPanel panelId = TToolPanel::PlaylistChecker;
    QWidget* panel = dlg->Panel(panelId);

    auto* row = new QHBoxLayout;
    auto* info = new QGroupBox(tr("Playlist Info."), panel);
    info->setObjectName(QStringLiteral("plsckinfo_grp"));
    auto* counts = new QVBoxLayout(info);
    auto label = [&](const char* name) {
        auto* l = new QLabel(info);
        l->setObjectName(QString::fromLatin1(name));
        counts->addWidget(l);
        return l;
    };
    FTotal = label("plscktot_lbl");
    FValid = label("plsckgood_lbl");
    FInvalid = label("plsckbad_lbl");
    row->addWidget(info, 1);
    auto* options = new QVBoxLayout;
    FRelative = new QCheckBox(tr("Convert to relative paths"), panel);
    FRelative->setObjectName(QStringLiteral("plschkrelative_chk"));
    options->addWidget(FRelative);
    options->addStretch();
    row->addLayout(options, 1);
    FProgress = MakeToolProgressBar(panel, "plsck_prg");
    dlg->PanelLayout(panelId)->addLayout(row);
    dlg->PanelLayout(panelId)->addWidget(FProgress);

    const struct {
        const char* Name;
        QString Caption;
        const char* Icon;
        QStyle::StandardPixmap Fallback;
        void (TPlsCheckerPanel::*Slot)();
    } buttons[] = {
        {"plschkload_btn", tr("Load Playlist"), "document-open", QStyle::SP_DialogOpenButton,
         &TPlsCheckerPanel::plschkload_btnClick},
        {"plschkanalyse_btn", tr("Analyse Playlist"), "edit-find",
         QStyle::SP_FileDialogContentsView, &TPlsCheckerPanel::plschkanalyse_btnClick},
        {"plschkshuffle_btn", tr("Shuffle Playlist"), "media-playlist-shuffle",
         QStyle::SP_BrowserReload, &TPlsCheckerPanel::plschkshuffle_btnClick},
        {"plschksave_btn", tr("Save Playlist"), "document-save", QStyle::SP_DialogSaveButton,
         &TPlsCheckerPanel::plschksave_btnClick},
    };
    for (const auto& b : buttons)
        connect(AddColumnButton(dlg, panelId, b.Name, b.Caption, b.Icon, b.Fallback),
                &QPushButton::clicked, this, b.Slot);
    dlg->ShowListOperations(panelId);
    dlg->EntrySteps.insert(int(panelId),
                           [this] { FRelative->setChecked(FDlg->Settings.PlaylistRelative); });
    FTotal->setText(tr("Entries :") + QStringLiteral(" 0"));
    SetCounts(QStringLiteral("?"), QStringLiteral("?"));
}

void TPlsCheckerPanel::SetCounts(const QString& valid, const QString& invalid) {
    FValid->setText(tr("Valid Entries :") + QLatin1Char(' ') + valid);
    FInvalid->setText(tr("Invalid Entries :") + QLatin1Char(' ') + invalid);
}

void TPlsCheckerPanel::plschkload_btnClick() {
    FList->clear();
    FProgress->setValue(0);
    // The counts are set also when the playlist cannot be read (its error is shown).
    struct TCounts {
        TPlsCheckerPanel* P;
        ~TCounts() {
            P->FTotal->setText(tr("Entries :") + QStringLiteral(" %1").arg(P->FList->count()));
            P->SetCounts(QStringLiteral("?"), QStringLiteral("?"));
        }
    } counts{this};
    const QStringList chosen = FDlg->Prompter().OpenFiles(
        tr("Load Playlist"), PlaylistDialogFilter(tr("Playlist")), false);
    if (chosen.isEmpty()) return;
    FPlaylist = TLoadedPlaylist();
    const QFileInfo info(chosen.first());
    FPlaylist.Path = info.absoluteFilePath();
    FPlaylist.Folder = WideIncludeTrailingBackslash(info.absolutePath());
    FPlaylist = LoadPlaylistForCheck(chosen.first());
    FList->setUpdatesEnabled(false);
    FList->addItems(FPlaylist.Entries);
    FList->setUpdatesEnabled(true);
    FPlaylist.Entries.clear();
}

void TPlsCheckerPanel::plschkanalyse_btnClick() {
    // The whole panel waits: a load or save in the middle would be overwritten.
    QWidget* panel = FDlg->Panel(TToolPanel::PlaylistChecker);
    panel->setEnabled(false);
    struct TEnable {
        QWidget* W;
        ~TEnable() { W->setEnabled(true); }
    } enable{panel};
    TBarProgress progress(FProgress);
    const TPlaylistAnalysis analysis = AnalysePlaylist(FList->Paths(), FPlaylist.Folder, progress);
    FList->setUpdatesEnabled(false);
    FList->clear();
    FList->addItems(analysis.Valid);
    FList->setUpdatesEnabled(true);
    SetCounts(QString::number(analysis.Valid.size()), QString::number(analysis.Invalid.size()));
}

void TPlsCheckerPanel::plschkshuffle_btnClick() {
    ListShuffle(FList);
}

void TPlsCheckerPanel::plschksave_btnClick() {
    SaveCheckedPlaylist(FPlaylist, FList->Paths(), FRelative->isChecked(), FDlg->StreamWriter(),
                        FDlg->Prompter());
}

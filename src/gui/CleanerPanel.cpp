#include "gui/CleanerPanel.h"

#include "gui/CleanOptionBoxes.h"
#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/NameCleaner.h"

#include <QPersistentModelIndex>
#include <QVBoxLayout>
#include <vector>

TCleanerPanel::TCleanerPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Cleaner)) {
    setObjectName(QStringLiteral("cleaner"));
    const TToolPanel panelId = TToolPanel::Cleaner;
    FOptions = TCleanOptionBoxes::AddToPanel(dlg, panelId, "cleanopt_grp",
                                             {"cleanundertospace_chk", "cleanspacestounder_chk",
                                              "cleanminustospace_chk", "cleanmultiplespaces_chk",
                                              "cleancase_chk", "cleancase_cmb"});
    FProgress = MakeToolProgressBar(dlg->Panel(panelId), "clean_prg");
    dlg->PanelLayout(panelId)->addWidget(FProgress);
    FGo = AddColumnButton(dlg, panelId, "cleango_btn", tr("Go"), "dialog-ok",
                          QStyle::SP_DialogOkButton);
    connect(FGo, &QPushButton::clicked, this, &TCleanerPanel::cleango_btnClick);
}

void TCleanerPanel::cleango_btnClick() {
    TNameCleanerOptions options;
    options.Paths = FList->Paths();
    options.Clean = FOptions->Options();
    // Entries are followed by identity, not by row: the list may be edited during the run.
    std::vector<QPersistentModelIndex> rows;
    rows.reserve(size_t(FList->count()));
    for (int i = 0; i < FList->count(); ++i)
        rows.emplace_back(FList->model()->index(i, 0));
    options.FileDone = [this, &rows](int index, const TNameCleanEntry& entry) {
        if (entry.Outcome == TCleanOutcome::Changed && rows[size_t(index)].isValid())
            FList->model()->setData(rows[size_t(index)], entry.NewPath);
    };
    const TToolRunGuard guard(FGo, FProgress);
    TBarProgress progress(FProgress);
    RunNameCleaner(options, progress, FDlg->Prompter());
}

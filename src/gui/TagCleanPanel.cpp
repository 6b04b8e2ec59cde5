#include "gui/TagCleanPanel.h"

#include "gui/CleanOptionBoxes.h"
#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/TagCleaner.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TTagCleanPanel::TTagCleanPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::TagCleaner)) {
    setObjectName(QStringLiteral("tagclean"));
    const TToolPanel panelId = TToolPanel::TagCleaner;
    QWidget* panel = dlg->Panel(panelId);
    FOptions = TCleanOptionBoxes::AddToPanel(dlg, panelId, "tclopt_grp",
                                             {"tclundertospace_chk", "tclspacetounder_chk",
                                              "tclminustospace_chk", "tclmergemultiplesspaces_chk",
                                              "tclcaseformatting_chk", "tclcaseformatting_cmb"});
    auto* tags = new QGroupBox(tr("Tags"), panel);
    tags->setObjectName(QStringLiteral("tcltags_grp"));
    auto* row = new QHBoxLayout(tags);
    FKinds = std::make_unique<TTagKindBoxes>(tags, row, QStringLiteral("tcl"));
    row->addStretch();
    FProgress = MakeToolProgressBar(panel, "tcl_prg");
    dlg->PanelLayout(panelId)->addWidget(tags);
    dlg->PanelLayout(panelId)->addWidget(FProgress);
    FGo = AddColumnButton(dlg, panelId, "tclgo_btn", tr("Go"), "dialog-ok",
                          QStyle::SP_DialogOkButton);
    connect(FGo, &QPushButton::clicked, this, &TTagCleanPanel::tclgo_btnClick);
}

TTagCleanPanel::~TTagCleanPanel() = default;

void TTagCleanPanel::tclgo_btnClick() {
    TTagCleanerOptions options;
    options.Paths = FList->Paths();
    options.Clean = FOptions->Options();
    options.Kinds = FKinds->Kinds();
    const TToolRunGuard guard(FGo, FProgress);
    TBarProgress progress(FProgress);
    RunTagCleaner(options, progress, FDlg->Prompter());
}

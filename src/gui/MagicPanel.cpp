#include "gui/MagicPanel.h"

#include "gui/MagicDlg.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/MagicFolder.h"

#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TMagicPanel::TMagicPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Magic)) {
    setObjectName(QStringLiteral("magic"));
    QWidget* panel = dlg->Panel(TToolPanel::Magic);
    FProgress = MakeToolProgressBar(panel, "magic_prg");
    dlg->PanelLayout(TToolPanel::Magic)->addWidget(FProgress);
    FGo = new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok"),
                                           panel->style()->standardIcon(QStyle::SP_DialogOkButton)),
                          tr("Go"), panel);
    FGo->setObjectName(QStringLiteral("magicgo_btn"));
    FGo->setAutoDefault(false);
    dlg->ButtonColumn(TToolPanel::Magic)->addWidget(FGo);
    connect(FGo, &QPushButton::clicked, this, &TMagicPanel::magicgo_btnClick);
    FPreview = new TMagicDlg(dlg);
}

void TMagicPanel::magicgo_btnClick() {
    TMagicBuildOptions options;
    options.Paths = FList->Paths();
    if (options.Paths.isEmpty()) return;
    TMagicTree tree;
    const TToolRunGuard guard(FGo, FProgress);
    TBarProgress progress(FProgress);
    const TMagicBuildResult result = BuildMagicTree(options, tree, progress, FDlg->Prompter());
    if (result.LoadIntoEditor) {
        FDlg->LoadSingleFileQueue(result.IncompleteTags);
        return;
    }
    FPreview->ExecutePreview(tree);
}

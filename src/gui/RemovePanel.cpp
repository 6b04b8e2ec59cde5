#include "gui/RemovePanel.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/TagRemover.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TRemovePanel::TRemovePanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Remover)) {
    setObjectName(QStringLiteral("remove"));
    QWidget* panel = dlg->Panel(TToolPanel::Remover);

    auto* group = new QGroupBox(tr("Tags"), panel);
    group->setObjectName(QStringLiteral("tremtags_grp"));
    auto* row = new QHBoxLayout(group);
    FKinds = std::make_unique<TTagKindBoxes>(group, row, QStringLiteral("trem"));
    row->addStretch();

    FProgress = MakeToolProgressBar(panel, "trem_prg");
    dlg->PanelLayout(TToolPanel::Remover)->addWidget(group);
    dlg->PanelLayout(TToolPanel::Remover)->addWidget(FProgress);

    FClean = new QPushButton(
        QIcon::fromTheme(QStringLiteral("edit-clear"),
                         panel->style()->standardIcon(QStyle::SP_DialogResetButton)),
        tr("&Clean"), panel);
    FClean->setObjectName(QStringLiteral("tremrem_btn"));
    FClean->setAutoDefault(false);
    dlg->ButtonColumn(TToolPanel::Remover)->addWidget(FClean);
    connect(FClean, &QPushButton::clicked, this, &TRemovePanel::tremrem_btnClick);
}

TRemovePanel::~TRemovePanel() = default;

int TRemovePanel::Kinds() const {
    return FKinds->Kinds();
}

void TRemovePanel::tremrem_btnClick() {
    TTagRemoverOptions options;
    options.Paths = FList->Paths();
    options.Kinds = Kinds();
    const TToolRunGuard guard(FClean, FProgress);
    TBarProgress progress(FProgress);
    RunTagRemover(options, progress, FDlg->Prompter());
}

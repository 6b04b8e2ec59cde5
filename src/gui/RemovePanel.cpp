#include "gui/RemovePanel.h"

#include "gui/BarProgress.h"
#include "gui/MainDlg.h"
#include "gui/ToolList.h"
#include "tools/TagRemover.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TRemovePanel::TRemovePanel(TMainDlg* dlg)
    : QObject(dlg), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Remover)) {
    setObjectName(QStringLiteral("remove"));
    QWidget* panel = dlg->Panel(TToolPanel::Remover);

    auto* group = new QGroupBox(tr("Tags"), panel);
    group->setObjectName(QStringLiteral("tremtags_grp"));
    auto* row = new QHBoxLayout(group);
    const char* const names[4] = {"tremid3v1_chk", "tremid3v2_chk", "tremape_chk",
                                  "tremvorbis_chk"};
    const QString captions[4] = {tr("ID3v1"), tr("ID3v2"), tr("APEv2"), tr("vorbis comments")};
    for (int i = 0; i < 4; ++i) {
        FKinds[i] = new QCheckBox(captions[i], group);
        FKinds[i]->setObjectName(QString::fromLatin1(names[i]));
        FKinds[i]->setChecked(true);
        row->addWidget(FKinds[i]);
    }
    row->addStretch();

    FProgress = new QProgressBar(panel);
    FProgress->setObjectName(QStringLiteral("trem_prg"));
    FProgress->setRange(0, 100);
    FProgress->setValue(0);
    FProgress->setTextVisible(false);
    dlg->PanelLayout(TToolPanel::Remover)->addWidget(group);
    dlg->PanelLayout(TToolPanel::Remover)->addWidget(FProgress);

    FClean = new QPushButton(
        QIcon::fromTheme(QStringLiteral("edit-clear"),
                         panel->style()->standardIcon(QStyle::SP_DialogResetButton)),
        tr("Clean"), panel);
    FClean->setObjectName(QStringLiteral("tremrem_btn"));
    FClean->setAutoDefault(false);
    dlg->ButtonColumn(TToolPanel::Remover)->addWidget(FClean);
    connect(FClean, &QPushButton::clicked, this, &TRemovePanel::tremrem_btnClick);
}

int TRemovePanel::Kinds() const {
    int kinds = 0;
    for (int i = 0; i < 4; ++i)
        if (FKinds[i]->isChecked()) kinds |= 1 << i;
    return kinds;
}

void TRemovePanel::tremrem_btnClick() {
    TTagRemoverOptions options;
    options.Paths = FList->Paths();
    options.Kinds = Kinds();
    // The window handles events during the run: a second "Clean" must not start a run
    // inside this one.
    FClean->setEnabled(false);
    struct TRestore {
        QPushButton* Clean;
        QProgressBar* Bar;
        ~TRestore() {
            Clean->setEnabled(true);
            Bar->setValue(0);
        }
    } restore{FClean, FProgress};
    TBarProgress progress(FProgress);
    RunTagRemover(options, progress, FDlg->Prompter());
}

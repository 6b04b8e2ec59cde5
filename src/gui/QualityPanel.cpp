#include "gui/QualityPanel.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "gui/TrashSelected.h"
#include "tools/QualityAnalyser.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TQualityPanel::TQualityPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Quality)) {
    setObjectName(QStringLiteral("quality"));
    QWidget* panel = dlg->Panel(TToolPanel::Quality);

    auto* options = new QGroupBox(tr("Thresholds"), panel);
    options->setObjectName(QStringLiteral("quaopt_grp"));
    auto* row = new QHBoxLayout(options);
    FMinBitrate = new QComboBox(options);
    FMinBitrate->setObjectName(QStringLiteral("quaminbit_cmb"));
    FMinBitrate->addItems({QStringLiteral("192000"), QStringLiteral("160000"),
                           QStringLiteral("128000"), QStringLiteral("96000"),
                           QStringLiteral("56000")});
    FMinBitrate->setCurrentIndex(2);
    FMinSampleRate = new QComboBox(options);
    FMinSampleRate->setObjectName(QStringLiteral("quaminsample_cmb"));
    FMinSampleRate->addItems({QStringLiteral("48000"), QStringLiteral("44100"),
                              QStringLiteral("24000"), QStringLiteral("22050")});
    FMinSampleRate->setCurrentIndex(-1);
    auto* bitLabel = new QLabel(tr("Minimal bitrate :"), options);
    bitLabel->setBuddy(FMinBitrate);
    auto* rateLabel = new QLabel(tr("Minimal samplerate :"), options);
    rateLabel->setBuddy(FMinSampleRate);
    row->addWidget(bitLabel);
    row->addWidget(FMinBitrate);
    row->addSpacing(16);
    row->addWidget(rateLabel);
    row->addWidget(FMinSampleRate);
    row->addStretch();

    FProgress = MakeToolProgressBar(panel, "qua_prg");

    auto* group = new QGroupBox(tr("Results"), panel);
    group->setObjectName(QStringLiteral("quares_grp"));
    auto* grid = new QGridLayout(group);
    FResults = new QListWidget(group);
    FResults->setObjectName(QStringLiteral("quares_lst"));
    FResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FResults->setUniformItemSizes(true);
    FResults->setTextElideMode(Qt::ElideMiddle);
    grid->addWidget(FResults, 0, 0, 3, 1);
    FDelete = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-delete"),
                                               panel->style()->standardIcon(QStyle::SP_TrashIcon)),
                              tr("Delete selected files"), group);
    FDelete->setObjectName(QStringLiteral("quaresdelete_btn"));
    FDelete->setAutoDefault(false);
    auto* toLister = new QPushButton(
        QIcon::fromTheme(QStringLiteral("view-list-text"),
                         panel->style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
        tr("Load into file lister"), group);
    toLister->setObjectName(QStringLiteral("quaresloadtolister_btn"));
    toLister->setAutoDefault(false);
    grid->addWidget(FDelete, 0, 1);
    grid->addWidget(toLister, 1, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);

    QVBoxLayout* layout = dlg->PanelLayout(TToolPanel::Quality);
    layout->addWidget(options);
    layout->addWidget(FProgress);
    layout->addWidget(group, 1);

    FScan = new QPushButton(
        QIcon::fromTheme(QStringLiteral("edit-find"),
                         panel->style()->standardIcon(QStyle::SP_FileDialogContentsView)),
        tr("Scan"), panel);
    FScan->setObjectName(QStringLiteral("quascan_btn"));
    FScan->setAutoDefault(false);
    dlg->ButtonColumn(TToolPanel::Quality)->addWidget(FScan);

    connect(FScan, &QPushButton::clicked, this, &TQualityPanel::quascan_btnClick);
    connect(FDelete, &QPushButton::clicked, this, &TQualityPanel::quaresdelete_btnClick);
    connect(toLister, &QPushButton::clicked, this, &TQualityPanel::quaresloadtolister_btnClick);
}

void TQualityPanel::quascan_btnClick() {
    TQualityOptions options;
    options.Paths = FList->Paths();
    options.MinBitrate = FMinBitrate->currentText().toInt();
    options.MinSampleRate =
        FMinSampleRate->currentIndex() < 0 ? 0 : FMinSampleRate->currentText().toInt();
    if (options.MinSampleRate > 0) FResults->clear();
    const TToolRunGuard guard(FScan, FProgress);
    TBarProgress progress(FProgress);
    const TQualityResult result = RunQualityAnalyser(options, progress, FDlg->Prompter());
    if (!result.Ran) return;
    QStringList poor;
    for (const TPoorFile& f : result.Poor)
        poor << f.Path;
    FillResults(FResults, poor);
    if (result.Failed > 0)
        FDlg->ShowPlainMessage(tr("%1 file(s) could not be read.").arg(result.Failed));
}

void TQualityPanel::quaresdelete_btnClick() {
    // A scan under way handles events and keeps its button disabled until it ends.
    if (!FScan->isEnabled()) return;
    const TToolRunGuard scanGuard(FScan, nullptr);
    TrashSelectedResults(FResults, FDlg, FDelete, FProgress, [](bool) {
        return tr("Selected files will be moved to the trash. Continue ?");
    });
}

void TQualityPanel::quaresloadtolister_btnClick() {
    if (FResults->selectedItems().isEmpty()) return;
    QStringList all;
    for (int i = 0; i < FResults->count(); ++i)
        all << FResults->item(i)->text();
    FDlg->LoadListerFiles(all);
}

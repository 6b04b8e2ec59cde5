#include "gui/DuplicatesPanel.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "gui/TrashSelected.h"
#include "io/FileUtils.h"
#include "tools/Duplicates.h"
#include "tools/HashScanner.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

TDuplicatesPanel::TDuplicatesPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Duplicates)) {
    setObjectName(QStringLiteral("duplicates"));
    QWidget* panel = dlg->Panel(TToolPanel::Duplicates);

    FProgress = MakeToolProgressBar(panel, "dupscan_prg");
    FCurrent = new QLabel(panel);
    FCurrent->setObjectName(QStringLiteral("duplicurrent_lbl"));

    auto* group = new QGroupBox(tr("Results"), panel);
    group->setObjectName(QStringLiteral("dupres_grp"));
    auto* grid = new QGridLayout(group);
    FCodes = new QComboBox(group);
    FCodes->setObjectName(QStringLiteral("duprescodes_cmb"));
    FCodes->setEditable(false);
    FCodes->setFont(QFont(QStringLiteral("monospace")));
    auto* codesLabel = new QLabel(tr("Duplicate Files Codes"), group);
    codesLabel->setBuddy(FCodes);
    grid->addWidget(codesLabel, 0, 0);
    grid->addWidget(FCodes, 0, 1, 1, 2);
    FResults = new QListWidget(group);
    FResults->setObjectName(QStringLiteral("dupresfiles_lst"));
    FResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FResults->setUniformItemSizes(true);
    FResults->setTextElideMode(Qt::ElideMiddle);
    grid->addWidget(new QLabel(tr("Duplicate Files"), group), 1, 0, Qt::AlignTop);
    grid->addWidget(FResults, 1, 1, 1, 2);
    FFile = new QLineEdit(group);
    FFile->setObjectName(QStringLiteral("dupresfilesfile_txt"));
    FFile->setReadOnly(true);
    FFolder = new QLineEdit(group);
    FFolder->setObjectName(QStringLiteral("dupresfilesfolder_txt"));
    FFolder->setReadOnly(true);
    grid->addWidget(new QLabel(tr("File :"), group), 2, 0);
    grid->addWidget(FFile, 2, 1);
    grid->addWidget(new QLabel(tr("Folder :"), group), 3, 0);
    grid->addWidget(FFolder, 3, 1);
    FDelete = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-delete"),
                                               panel->style()->standardIcon(QStyle::SP_TrashIcon)),
                              tr("Delete Selected Files"), group);
    FDelete->setObjectName(QStringLiteral("dupresdelete_btn"));
    FDelete->setAutoDefault(false);
    grid->addWidget(FDelete, 2, 2, 2, 1);
    grid->setColumnStretch(1, 1);

    QVBoxLayout* layout = dlg->PanelLayout(TToolPanel::Duplicates);
    layout->addWidget(FProgress);
    layout->addWidget(FCurrent);
    layout->addWidget(group, 1);

    FScan = new QPushButton(
        QIcon::fromTheme(QStringLiteral("edit-find"),
                         panel->style()->standardIcon(QStyle::SP_FileDialogContentsView)),
        tr("Scan"), panel);
    FScan->setObjectName(QStringLiteral("dupresscan_btn"));
    FScan->setDefault(true);
    dlg->ButtonColumn(TToolPanel::Duplicates)->addWidget(FScan);

    connect(FScan, &QPushButton::clicked, this, &TDuplicatesPanel::dupresscan_btnClick);
    connect(FCodes, &QComboBox::currentIndexChanged, this,
            &TDuplicatesPanel::duprescodes_cmbChange);
    connect(FResults, &QListWidget::currentRowChanged, this,
            &TDuplicatesPanel::dupresfiles_lstClick);
    connect(FResults, &QListWidget::itemDoubleClicked, this,
            &TDuplicatesPanel::dupresfiles_lstDblClick);
    connect(FDelete, &QPushButton::clicked, this, &TDuplicatesPanel::dupresdelete_btnClick);
}

TDuplicatesPanel::~TDuplicatesPanel() = default;

void TDuplicatesPanel::ClearFields() {
    FFile->clear();
    FFolder->clear();
}

void TDuplicatesPanel::dupresscan_btnClick() {
    // One scan at a time: the results must all come from one complete scan.
    if (FScanner) return;
    {
        const QSignalBlocker block(FCodes);
        FCodes->clear();
    }
    FResults->clear();
    ClearFields();
    FScanner = std::make_unique<THashScanner>();
    FScanner->Input = FList->Paths();
    connect(FScanner.get(), &THashScanner::ProgressChanged, this, &TDuplicatesPanel::ShowProgress);
    connect(FScanner.get(), &QThread::finished, this, &TDuplicatesPanel::ScanFinished);
    FScan->setEnabled(false);
    FScanner->start();
}

void TDuplicatesPanel::ShowProgress() {
    if (!FScanner) return;
    const TScanProgress now = FScanner->Progress();
    FProgress->setRange(0, std::max(1, now.Total));
    FProgress->setValue(now.Done);
    FCurrent->setText(now.CurrentName);
}

void TDuplicatesPanel::ScanFinished() {
    if (!FScanner) return;
    FDlg->Fingerprints = std::move(FScanner->Output);
    FScanner.reset();
    FProgress->setValue(0);
    FCurrent->clear();
    FScan->setEnabled(true);
    BuildGroups();
    emit ScanShown();
}

void TDuplicatesPanel::BuildGroups() {
    const QStringList groups = ::BuildGroups(FDlg->Fingerprints.Digests);
    QString message;
    {
        const QSignalBlocker block(FCodes);
        FCodes->clear();
        FCodes->addItems(groups);
        FCodes->setCurrentIndex(-1);
    }
    if (groups.isEmpty()) {
        message = tr("No duplicates found.");
    } else {
        FCodes->setCurrentIndex(0);
        message = tr("%1 groups of duplicates found.").arg(groups.size());
    }
    if (const int failed = FDlg->Fingerprints.Failed)
        message += QLatin1Char('\n') + tr("%1 file(s) could not be read.").arg(failed);
    FDlg->ShowPlainMessage(message);
}

void TDuplicatesPanel::duprescodes_cmbChange() {
    ClearFields();
    const TFingerprintScan& scan = FDlg->Fingerprints;
    // The paths kept with the scan, not the list as it is now: the list may have changed.
    QStringList paths;
    const QList<int> members = GroupMembers(scan.Digests, FCodes->currentText());
    for (int i : members)
        paths << scan.Paths.value(i);
    FillResults(FResults, paths, members);
}

void TDuplicatesPanel::dupresfiles_lstClick() {
    const QListWidgetItem* item = FResults->currentItem();
    if (!item) return;
    FFile->setText(WideExtractFileName(item->text()));
    FFolder->setText(WideExtractFileDir(item->text()));
}

void TDuplicatesPanel::dupresfiles_lstDblClick() {
    const QListWidgetItem* item = FResults->currentItem();
    if (!item) return;
    PlaySingleFile(FDlg->Settings.PlaybackCommandLine, item->text(), StartProcess);
}

void TDuplicatesPanel::dupresdelete_btnClick() {
    // While a scan runs the results are empty, and the scan keeps its button.
    if (Scanning()) {
        FDlg->ShowPlainMessage(tr("No file(s) selected"));
        return;
    }
    const TToolRunGuard scanGuard(FScan, nullptr);
    const QList<int> moved = TrashSelectedResults(FResults, FDlg, FDelete, FProgress, [](bool all) {
        return all ? tr("All your copies of this file will be moved to the trash. Continue ?")
                   : tr("Selected files will be moved to the trash. Continue ?");
    });
    // A file in the trash is no copy any more, whichever group is shown next.
    for (int i : moved)
        if (i >= 0 && i < FDlg->Fingerprints.Digests.size()) FDlg->Fingerprints.Digests[i].clear();
    if (moved.isEmpty() || FResults->count() >= 2) return;
    FResults->clear();
    ClearFields();
    const QSignalBlocker block(FCodes);
    FCodes->removeItem(FCodes->currentIndex());
    FCodes->setCurrentIndex(FCodes->count() - 1);
    duprescodes_cmbChange();
}

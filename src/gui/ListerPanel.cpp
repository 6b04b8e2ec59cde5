#include "gui/ListerPanel.h"

#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "io/FileUtils.h"
#include "tools/FilesLister.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

TListerPanel::TListerPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Lister)) {
    setObjectName(QStringLiteral("lister"));
    const TToolPanel panelId = TToolPanel::Lister;
    QWidget* panel = dlg->Panel(panelId);

    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(new QLabel(tr("Output Directory :"), panel));
    FOutput = new QLineEdit(panel);
    FOutput->setObjectName(QStringLiteral("listoutputdir_txt"));
    FOutput->setReadOnly(true);
    outputRow->addWidget(FOutput, 1);
    auto* browse = new QPushButton(tr("Browse"), panel);
    browse->setObjectName(QStringLiteral("listbrowse_btn"));
    browse->setAutoDefault(false);
    outputRow->addWidget(browse);

    auto* options = new QHBoxLayout;
    auto* layoutGroup = new QGroupBox(tr("Output Format"), panel);
    layoutGroup->setObjectName(QStringLiteral("listformat_grp"));
    auto* layouts = new QVBoxLayout(layoutGroup);
    const char* const layoutNames[4] = {"listoptraw_rdo", "listoptcsv_rdo", "listoptsql_rdo",
                                        "listoptxml_rdo"};
    const QString layoutCaptions[4] = {tr("Raw files listing"),
                                       tr("Coma Separated Values (.csv file)"),
                                       tr("SQL Coma Separated  Quoted Values"), tr("XML")};
    for (int i = 0; i < 4; ++i) {
        FLayouts[i] = new QRadioButton(layoutCaptions[i], layoutGroup);
        FLayouts[i]->setObjectName(QString::fromLatin1(layoutNames[i]));
        layouts->addWidget(FLayouts[i]);
    }
    FLayouts[0]->setChecked(true);
    auto* formats = new QFormLayout;
    FBitrateFormat = new QComboBox(layoutGroup);
    FBitrateFormat->setObjectName(QStringLiteral("listbitrateformat_cmb"));
    FBitrateFormat->addItems({QStringLiteral("128000"), QStringLiteral("128 Kbps")});
    FTimeFormat = new QComboBox(layoutGroup);
    FTimeFormat->setObjectName(QStringLiteral("listtimeformat_cmb"));
    FTimeFormat->addItems({tr("00 Mins 00 Secs"), QStringLiteral("00:00")});
    formats->addRow(tr("Bitrate format :"), FBitrateFormat);
    formats->addRow(tr("Time format :"), FTimeFormat);
    layouts->addLayout(formats);
    layouts->addStretch();
    options->addWidget(layoutGroup, 1);

    auto* columnGroup = new QGroupBox(tr("Data Fields"), panel);
    columnGroup->setObjectName(QStringLiteral("listparams_grp"));
    auto* columnBox = new QVBoxLayout(columnGroup);
    FColumns = new QListWidget(columnGroup);
    FColumns->setObjectName(QStringLiteral("listparams_clb"));
    const QString captions[kListColumnCount] = {
        tr("Full path and name"), tr("File Title"),       tr("File Format"),  tr("File Size"),
        tr("File Bitrate"),       tr("File Sample Rate"), tr("File Duration")};
    for (const QString& caption : captions) {
        auto* item = new QListWidgetItem(caption, FColumns);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    FColumns->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    FColumns->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    columnBox->addWidget(FColumns);
    columnBox->addStretch();
    options->addWidget(columnGroup, 1);

    FProgress = MakeToolProgressBar(panel, "list_prg");
    dlg->PanelLayout(panelId)->addLayout(outputRow);
    dlg->PanelLayout(panelId)->addLayout(options);
    dlg->PanelLayout(panelId)->addWidget(FProgress);

    FGo = AddColumnButton(dlg, panelId, "listgo_btn", tr("Go"), "dialog-ok",
                          QStyle::SP_DialogOkButton);
    FGo->setDefault(true);
    connect(FGo, &QPushButton::clicked, this, &TListerPanel::listgo_btnClick);
    // The panel's default button: Enter anywhere on the panel starts the listing.
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), panel);
    enter->setContext(Qt::WidgetWithChildrenShortcut);
    connect(enter, &QShortcut::activated, FGo, &QPushButton::click);
    connect(browse, &QPushButton::clicked, this, &TListerPanel::listbrowse_btnClick);
    connect(FList, &TToolList::FolderChosen, this, [this](const QString& folder) {
        if (FOutput->text().isEmpty()) FOutput->setText(WideIncludeTrailingBackslash(folder));
    });
}

void TListerPanel::LoadFiles(const QStringList& paths) {
    FList->setUpdatesEnabled(false);
    ListReset(FList);
    for (const QString& p : paths)
        FList->AddFileToList(p);
    FList->setUpdatesEnabled(true);
}

void TListerPanel::listbrowse_btnClick() {
    const QString folder = FDlg->Prompter().BrowseFolder(tr("Browse"));
    if (!folder.isEmpty()) FOutput->setText(WideIncludeTrailingBackslash(folder));
}

void TListerPanel::listgo_btnClick() {
    if (!FGo->isEnabled()) return;
    TListerOptions options;
    options.Paths = FList->Paths();
    options.OutputFolder = FOutput->text();
    for (int i = 0; i < 4; ++i)
        if (FLayouts[i]->isChecked()) options.Layout = TListLayout(i);
    for (int c = 0; c < kListColumnCount; ++c)
        if (FColumns->item(c)->checkState() == Qt::Checked) options.Columns |= 1 << c;
    options.Kbps = FBitrateFormat->currentIndex() == 1;
    options.ColonTime = FTimeFormat->currentIndex() == 1;
    const TToolRunGuard guard(FGo, FProgress);
    TBarProgress progress(FProgress);
    RunFilesLister(options, progress, FDlg->StreamWriter(), FDlg->Prompter());
}

#include "gui/IncompletePanel.h"

#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/IncompleteTags.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

TIncompletePanel::TIncompletePanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Incomplete)) {
    setObjectName(QStringLiteral("intag"));
    const TToolPanel panelId = TToolPanel::Incomplete;
    QWidget* panel = dlg->Panel(panelId);

    auto* fieldsRow = new QHBoxLayout;
    auto* label = new QLabel(tr("Fields to scan :"), panel);
    FFields = new QListWidget(panel);
    FFields->setObjectName(QStringLiteral("intagfields_clb"));
    label->setBuddy(FFields);
    // The boxes in the order of IncompleteFieldNames.
    for (const QString& caption :
         {tr("Title"), tr("Artist"), tr("Album"), tr("Genre"), tr("Year"), tr("Track Number")}) {
        auto* item = new QListWidgetItem(caption, FFields);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    FFields->setFlow(QListView::LeftToRight);
    FFields->setWrapping(true);
    FFields->setMaximumHeight(FFields->sizeHintForRow(0) * 2 + 2 * FFields->frameWidth() + 4);
    fieldsRow->addWidget(label);
    fieldsRow->addWidget(FFields, 1);

    auto* results = new QGroupBox(tr("Results"), panel);
    results->setObjectName(QStringLiteral("intagres_grp"));
    auto* resultsLayout = new QHBoxLayout(results);
    FResults = new QListWidget(results);
    FResults->setObjectName(QStringLiteral("intagres_lst"));
    FResults->setUniformItemSizes(true);
    FResults->setTextElideMode(Qt::ElideMiddle);
    auto* load = new QPushButton(tr("Load as editor's queue"), results);
    load->setObjectName(QStringLiteral("intagloadtoeditor_btn"));
    load->setAutoDefault(false);
    resultsLayout->addWidget(FResults, 1);
    resultsLayout->addWidget(load, 0, Qt::AlignTop);

    FProgress = MakeToolProgressBar(panel, "intag_prg");
    QVBoxLayout* layout = dlg->PanelLayout(panelId);
    layout->addLayout(fieldsRow);
    layout->addWidget(results, 1);
    layout->addWidget(FProgress);
    FScan = AddColumnButton(dlg, panelId, "intagscan_btn", tr("Scan"), "edit-find",
                            QStyle::SP_FileDialogContentsView);
    connect(FScan, &QPushButton::clicked, this, &TIncompletePanel::intagscan_btnClick);
    connect(load, &QPushButton::clicked, this, &TIncompletePanel::intagloadtoeditor_btnClick);
}

void TIncompletePanel::intagscan_btnClick() {
    FResults->clear();
    TIncompleteOptions options;
    options.Paths = FList->Paths();
    const QStringList names = IncompleteFieldNames();
    for (int i = 0; i < FFields->count() && i < names.size(); ++i)
        if (FFields->item(i)->checkState() == Qt::Checked) options.Fields.append(names[i]);
    // Each listed file appears at once.
    options.FileDone = [this](int, const TIncompleteEntry& entry) {
        if (entry.Error.isEmpty() && !entry.Missing.isEmpty()) FResults->addItem(entry.Path);
    };
    const TToolRunGuard guard(FScan, FProgress);
    TBarProgress progress(FProgress);
    FindIncompleteTags(options, progress, FDlg->Prompter());
}

void TIncompletePanel::intagloadtoeditor_btnClick() {
    QStringList paths;
    paths.reserve(FResults->count());
    for (int i = 0; i < FResults->count(); ++i)
        paths.append(FResults->item(i)->text());
    FDlg->LoadSingleFileQueue(paths);
}

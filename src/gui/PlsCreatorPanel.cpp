#include "gui/PlsCreatorPanel.h"

#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "io/FileUtils.h"
#include "tools/FolderScan.h"
#include "tools/PlaylistTools.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

TPlsCreatorPanel::TPlsCreatorPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::PlaylistCreator)) {
    setObjectName(QStringLiteral("plscr"));
    const TToolPanel panelId = TToolPanel::PlaylistCreator;
    QWidget* panel = dlg->Panel(panelId);

    auto* group = new QGroupBox(tr("Playlist"), panel);
    group->setObjectName(QStringLiteral("plscrparams_grp"));
    auto* grid = new QGridLayout(group);
    FOutput = new QLineEdit(group);
    FOutput->setObjectName(QStringLiteral("plscroutput_txt"));
    FOutput->setReadOnly(true);
    auto* browse = new QPushButton(tr("Browse"), group);
    browse->setObjectName(QStringLiteral("plscrbrowse_btn"));
    browse->setAutoDefault(false);
    grid->addWidget(new QLabel(tr("Output Directory :"), group), 0, 0);
    grid->addWidget(FOutput, 0, 1);
    grid->addWidget(browse, 0, 2);
    FName = new QLineEdit(group);
    FName->setObjectName(QStringLiteral("plscrname_txt"));
    // The name key filter: the characters a file name cannot hold are never taken.
    FName->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^/\\\\:*?\"<>|]*")), FName));
    grid->addWidget(new QLabel(tr("Playlist Name :"), group), 1, 0);
    grid->addWidget(FName, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral(".m3u"), group), 1, 2);
    FRelative = new QCheckBox(tr("Use relative paths"), group);
    FRelative->setObjectName(QStringLiteral("plscruserelative_chk"));
    grid->addWidget(FRelative, 2, 1);
    FCount = new QLabel(group);
    FCount->setObjectName(QStringLiteral("plscrnum_lbl"));
    grid->addWidget(FCount, 2, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    dlg->PanelLayout(panelId)->addWidget(group);

    connect(AddColumnButton(dlg, panelId, "plscrimport_btn", tr("Import Playlist"),
                            "document-import", QStyle::SP_DialogOpenButton),
            &QPushButton::clicked, this, &TPlsCreatorPanel::plscrimport_btnClick);
    connect(AddColumnButton(dlg, panelId, "plscrshuffle_btn", tr("Shuffle"),
                            "media-playlist-shuffle", QStyle::SP_BrowserReload),
            &QPushButton::clicked, this, &TPlsCreatorPanel::plscrshuffle_btnClick);
    FGo = AddColumnButton(dlg, panelId, "plscrgo_btn", tr("Create Playlist"), "document-save",
                          QStyle::SP_DialogSaveButton);
    connect(FGo, &QPushButton::clicked, this, &TPlsCreatorPanel::plscrgo_btnClick);
    connect(browse, &QPushButton::clicked, this, &TPlsCreatorPanel::plscrbrowse_btnClick);

    FList->AddHook = [this](const QString& path) { return AddPlaylistFile(path); };
    connect(FList, &TToolList::FolderChosen, this, &TPlsCreatorPanel::FolderChosen);
    auto* model = FList->model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TPlsCreatorPanel::RefreshCount);
    connect(model, &QAbstractItemModel::modelReset, this, &TPlsCreatorPanel::RefreshCount);
    dlg->EntrySteps.insert(int(panelId), [this] { ShowEntry(); });
    RefreshCount();
}

bool TPlsCreatorPanel::AddPlaylistFile(const QString& path) {
    if (!IsListablePath(path)) return false;
    FList->addItem(path);
    if (FOutput->text().isEmpty())
        FOutput->setText(PlaylistFolderForFile(path, FDlg->Settings.PlaylistDirMode));
    RefreshCount();
    return true;
}

void TPlsCreatorPanel::ShowEntry() {
    const TSettingsValues& s = FDlg->Settings;
    if (s.PlaylistDirMode == 2 && FOutput->text().isEmpty())
        FOutput->setText(WideIncludeTrailingBackslash(s.PlaylistUserDefinedDir));
    FRelative->setChecked(s.PlaylistRelative);
    RefreshCount();
}

void TPlsCreatorPanel::FolderChosen(const QString& folder) {
    if (FOutput->text().isEmpty()) FOutput->setText(WideIncludeTrailingBackslash(folder));
}

void TPlsCreatorPanel::RefreshCount() {
    FCount->setText(tr("%1 songs").arg(FList->count()));
}

void TPlsCreatorPanel::plscrbrowse_btnClick() {
    const QString folder = FDlg->Prompter().BrowseFolder(tr("Browse"));
    if (!folder.isEmpty()) FOutput->setText(WideIncludeTrailingBackslash(folder));
}

void TPlsCreatorPanel::plscrimport_btnClick() {
    const QStringList chosen = FDlg->Prompter().OpenFiles(
        tr("Import Playlist"), PlaylistDialogFilter(tr("Playlist")), false);
    if (chosen.isEmpty()) return;
    const QStringList paths = ImportPlaylistEntries(chosen.first());
    FList->setUpdatesEnabled(false);
    for (const QString& p : paths)
        AddPlaylistFile(p);
    FList->setUpdatesEnabled(true);
    RefreshCount();
}

void TPlsCreatorPanel::plscrshuffle_btnClick() {
    ListShuffle(FList);
}

void TPlsCreatorPanel::plscrgo_btnClick() {
    TPlaylistCreatorOptions options;
    options.Entries = FList->Paths();
    options.Name = FName->text();
    options.OutputFolder = FOutput->text();
    options.Relative = FRelative->isChecked();
    FGo->setEnabled(false);
    const TPlaylistCreatorResult result =
        RunPlaylistCreator(options, FDlg->StreamWriter(), FDlg->Prompter());
    FGo->setEnabled(true);
    if (!options.Entries.isEmpty()) FName->setText(result.Name);
}

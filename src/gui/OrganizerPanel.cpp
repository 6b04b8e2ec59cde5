#include "gui/OrganizerPanel.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/Organizer.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TOrganizerPanel::TOrganizerPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Organizer)) {
    setObjectName(QStringLiteral("orga"));
    QWidget* panel = dlg->Panel(TToolPanel::Organizer);

    auto* group = new QGroupBox(tr("Options"), panel);
    group->setObjectName(QStringLiteral("orgaoptions_grp"));
    auto* column = new QVBoxLayout(group);
    FRename = new QCheckBox(tr("Rename"), group);
    FRename->setObjectName(QStringLiteral("orgaren_chk"));
    FMove = new QCheckBox(tr("Move to specific folder"), group);
    FMove->setObjectName(QStringLiteral("orgamove_chk"));
    FSettings = new QLabel(group);
    FSettings->setObjectName(QStringLiteral("orgasettings_lbl"));
    FSettings->setTextFormat(Qt::PlainText);
    FSettings->setWordWrap(true);
    FSettings->setEnabled(false); // a reminder of the settings page, not a control
    column->addWidget(FRename);
    column->addWidget(FMove);
    column->addWidget(FSettings);

    FProgress = MakeToolProgressBar(panel, "orga_prg");
    dlg->PanelLayout(TToolPanel::Organizer)->addWidget(group);
    dlg->PanelLayout(TToolPanel::Organizer)->addWidget(FProgress);

    FGo = new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok"),
                                           panel->style()->standardIcon(QStyle::SP_DialogOkButton)),
                          tr("Go"), panel);
    FGo->setObjectName(QStringLiteral("orgago_btn"));
    FGo->setAutoDefault(false);
    FGo->setDefault(true);
    dlg->ButtonColumn(TToolPanel::Organizer)->addWidget(FGo);
    connect(FGo, &QPushButton::clicked, this, &TOrganizerPanel::orgago_btnClick);
    panel->installEventFilter(this);
}

bool TOrganizerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) ShowSettings();
    return QObject::eventFilter(watched, event);
}

void TOrganizerPanel::ShowSettings() {
    const TSettingsValues& s = FDlg->Settings;
    const QString folder = s.OrganizerBaseDir.isEmpty()
                               ? tr("no base folder chosen")
                               : s.OrganizerBaseDir + s.OrganizerSubDirPattern;
    FSettings->setText(tr("File name: %1\nFolder: %2\n(set on the Settings page)")
                           .arg(s.OrganizerRenamePattern, folder));
}

void TOrganizerPanel::ShowNewPath(const TOrganizedFile& file) {
    if (file.Status != TOrganizeStatus::Moved && file.Status != TOrganizeStatus::Renamed) return;
    // Pending events may have changed the list since the run took its copy.
    QListWidgetItem* item = FList->item(file.Index);
    if (!item || item->text() != file.OldPath) {
        const QList<QListWidgetItem*> found = FList->findItems(file.OldPath, Qt::MatchExactly);
        item = found.value(0);
    }
    if (item) item->setText(file.NewPath);
}

void TOrganizerPanel::orgago_btnClick() {
    TOrganizerOptions options;
    const TSettingsValues& s = FDlg->Settings;
    options.Paths = FList->Paths();
    options.Rename = FRename->isChecked();
    options.Move = FMove->isChecked();
    options.RenamePattern = s.OrganizerRenamePattern;
    options.SubDirPattern = s.OrganizerSubDirPattern;
    options.BaseDir = s.OrganizerBaseDir;
    options.FileDone = [this](const TOrganizedFile& file) { ShowNewPath(file); };
    TOrganizerResult result;
    {
        const TToolRunGuard guard(FGo, FProgress);
        TBarProgress progress(FProgress);
        result = RunOrganizer(options, progress, FDlg->Prompter());
    }
    if (result.LoadIntoEditor) FDlg->LoadSingleFileQueue(result.IncompleteTags);
}

#include "gui/QueueEditorDlg.h"
#include "gui/DialogButtons.h"

#include "gui/PanelHost.h"
#include "gui/ToolList.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TQueueEditorDlg::TQueueEditorDlg(TPanelHost* owner) : QDialog(owner->HostWindow()), FOwner(owner) {
    setObjectName(QStringLiteral("TQueueEditorDlg"));
    setWindowTitle(tr("Queue Editor"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* group = new QGroupBox(tr("Queue"), this);
    group->setObjectName(QStringLiteral("queue_grp"));
    auto* row = new QHBoxLayout(group);
    queue_lst = new TToolList(QStringLiteral("queue_lst"), group);
    connect(queue_lst, &TToolList::FolderDropped, this, [this](const QString& folder) {
        FOwner->ScanInto(folder, true, [this](const QString& path) { QUEUEAddFile(path); });
    });
    queue_lst->setMinimumSize(420, 240);
    connect(queue_lst, &TToolList::DeletePressed, this, &TQueueEditorDlg::queuerem_btnClick);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(queue_lst, 1);
    listColumn->addWidget(MakeCountLabel(queue_lst, group));
    row->addLayout(listColumn, 1);
    auto* buttons = new QVBoxLayout;
    auto add = [&](const char* name, const QString& caption, void (TQueueEditorDlg::*slot)()) {
        auto* b = new QPushButton(caption, group);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    add("queueadd_btn", tr("&Add"), &TQueueEditorDlg::queueadd_btnClick);
    add("queueaddfolder_btn", tr("Add &Folder"), &TQueueEditorDlg::queueaddfolder_btnClick);
    add("queuerem_btn", tr("Re&move"), &TQueueEditorDlg::queuerem_btnClick);
    add("queuereset_btn", tr("R&eset"), &TQueueEditorDlg::queuereset_btnClick);
    buttons->addStretch();
    row->addLayout(buttons);
    outer->addWidget(group, 1);

    AddOkCancelButtons(this, outer);
}

bool TQueueEditorDlg::ExecuteQueue() {
    return ExecuteQueue({});
}

bool TQueueEditorDlg::ExecuteQueue(const QStringList& current) {
    queue_lst->clear();
    queue_lst->addItems(current);
    return exec() == QDialog::Accepted;
}

QStringList TQueueEditorDlg::Paths() const {
    return queue_lst->Paths();
}

void TQueueEditorDlg::QUEUEAddFile(const QString& path) {
    queue_lst->AddFileToList(path);
}

void TQueueEditorDlg::queueadd_btnClick() {
    for (const QString& path :
         FOwner->Prompter().OpenFiles(tr("Add"), FOwner->OpenDialogFilter(), false))
        QUEUEAddFile(path);
}

void TQueueEditorDlg::queueaddfolder_btnClick() {
    const QString folder = FOwner->Prompter().BrowseFolder(tr("Add Folder"));
    if (folder.isEmpty()) return;
    const bool recurse = FOwner->AskQuestion(tr("Do you want to recurse subfolders ?"));
    queue_lst->setUpdatesEnabled(false);
    FOwner->ScanInto(folder, recurse, [this](const QString& path) { QUEUEAddFile(path); });
    queue_lst->setUpdatesEnabled(true);
}

void TQueueEditorDlg::queuerem_btnClick() {
    ListRemove(queue_lst, true);
}

void TQueueEditorDlg::queuereset_btnClick() {
    ListReset(queue_lst);
}

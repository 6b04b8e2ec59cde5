#include "gui/MagicDlg.h"

#include "gui/PanelHost.h"
#include "gui/ToolRun.h"
#include "tools/MagicFolder.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Image 0 for a folder, 1 for a song.
QList<QTreeWidgetItem*> Items(const std::vector<TMagicNode>& nodes, const QIcon icons[2]) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(nodes.size()));
    for (const TMagicNode& node : nodes) {
        auto* item = new QTreeWidgetItem(QStringList(node.Text));
        item->setIcon(0, icons[node.Folder ? 0 : 1]);
        if (node.Folder) item->addChildren(Items(node.Children, icons));
        items.append(item);
    }
    return items;
}

} // namespace

TMagicDlg::TMagicDlg(TPanelHost* owner) : QDialog(owner->HostWindow()), FOwner(owner) {
    DesktopFolder = ::DesktopFolder();
    setObjectName(QStringLiteral("TMagicDlg"));
    setWindowTitle(tr("Magic Folder Preview"));
    setModal(true);
    resize(560, 480);
    auto* outer = new QVBoxLayout(this);
    tv = new QTreeWidget(this);
    tv->setObjectName(QStringLiteral("tv"));
    tv->setHeaderHidden(true);
    tv->setUniformRowHeights(true); // tens of thousands of songs stay quick
    tv->setColumnCount(1);
    outer->addWidget(tv, 1);
    FCount = new QLabel(this);
    FCount->setObjectName(QStringLiteral("magiccount_lbl"));
    outer->addWidget(FCount);
    magic_prg = MakeToolProgressBar(this, "magic_prg");
    outer->addWidget(magic_prg);
    auto* box = new QDialogButtonBox(this);
    create_btn = box->addButton(tr("Create"), QDialogButtonBox::AcceptRole);
    create_btn->setObjectName(QStringLiteral("create_btn"));
    create_btn->setDefault(true);
    auto* cancel = box->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel_btn"));
    cancel->setAutoDefault(false);
    connect(create_btn, &QPushButton::clicked, this, &TMagicDlg::create_btnClick);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(box);
}

void TMagicDlg::ShowTree(const TMagicTree& tree) {
    tv->clear();
    const QIcon icons[2] = {style()->standardIcon(QStyle::SP_DirIcon),
                            style()->standardIcon(QStyle::SP_FileIcon)};
    tv->addTopLevelItems(Items(tree.Roots(), icons));
    for (int i = 0; i < tv->topLevelItemCount(); ++i)
        tv->topLevelItem(i)->setExpanded(true);
    FCount->setText(tr("%1 songs, %2 links").arg(tree.Count / 3).arg(tree.Count));
}

bool TMagicDlg::ExecutePreview(TMagicTree& tree) {
    tree.Sort();
    FTree = &tree;
    ShowTree(tree);
    magic_prg->setValue(0);
    const bool ok = exec() == QDialog::Accepted;
    tv->clear();
    tree.Clear();
    FTree = nullptr;
    return ok;
}

void TMagicDlg::create_btnClick() {
    if (!FTree) return;
    TMagicCreateOptions options;
    // The data folder is made only when it is first needed.
    options.BaseFolder = BaseFolder.isEmpty() ? DefaultMagicFolder() : BaseFolder;
    options.DesktopFolder = DesktopFolder;
    {
        const TToolRunGuard guard(create_btn, magic_prg);
        TBarProgress progress(magic_prg);
        CreateMagicFolder(*FTree, options, progress, FOwner->Prompter());
    }
    accept();
}

#include "gui/AutoSortDlg.h"

#include "gui/DialogButtons.h"
#include "gui/ToolList.h"
#include "gui/ToolRun.h"
#include "tools/AutoSort.h"
#include "tools/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TAutoSortDlg::TAutoSortDlg(TPrompter& prompter, QWidget* parent)
    : QDialog(parent), FPrompter(prompter) {
    setObjectName(QStringLiteral("TAutoSortDlg"));
    setWindowTitle(tr("AutoSort"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    auto makeList = [&](const QString& caption, const char* name) {
        auto* group = new QGroupBox(caption, this);
        auto* lay = new QVBoxLayout(group);
        auto* list = new QListWidget(group);
        list->setObjectName(QString::fromLatin1(name));
        list->setMinimumSize(280, 260);
        lay->addWidget(list);
        lists->addWidget(group, 1);
        return list;
    };
    sortloc_lst = makeList(tr("Local Files"), "sortloc_lst");
    sortnew_lst = makeList(tr("New Names"), "sortnew_lst");
    outer->addLayout(lists, 1);
    auto* row = new QHBoxLayout;
    time_rdo = new QRadioButton(tr("Time based autosort"), this);
    time_rdo->setObjectName(QStringLiteral("time_rdo"));
    time_rdo->setChecked(true);
    words_rdo = new QRadioButton(tr("Word detection based autosort"), this);
    words_rdo->setObjectName(QStringLiteral("words_rdo"));
    go_btn = new QPushButton(tr("Go"), this);
    go_btn->setObjectName(QStringLiteral("go_btn"));
    go_btn->setAutoDefault(false);
    row->addWidget(time_rdo);
    row->addWidget(words_rdo);
    row->addStretch();
    row->addWidget(go_btn);
    outer->addLayout(row);
    sort_prg = MakeToolProgressBar(this, "sort_prg");
    outer->addWidget(sort_prg);
    AddOkCancelButtons(this, outer);
    connect(go_btn, &QPushButton::clicked, this, &TAutoSortDlg::go_btnClick);
}

bool TAutoSortDlg::ExecuteSort() {
    sortloc_lst->clear();
    sortloc_lst->addItems(Local);
    sortnew_lst->clear();
    sortnew_lst->addItems(Names);
    sort_prg->setValue(0);
    return exec() == QDialog::Accepted;
}

QStringList TAutoSortDlg::LocalOrder() const {
    return ListTexts(sortloc_lst);
}

void TAutoSortDlg::go_btnClick() {
    const TToolRunGuard guard(go_btn, sort_prg);
    TBarProgress progress(sort_prg);
    QStringList entries = LocalOrder();
    if (time_rdo->isChecked()) {
        // A file its reader refuses raises here, before anything moves.
        QList<int32_t> measured = MeasureDurations(Folder, entries);
        SortByTime(entries, measured, Targets, int(Names.size()), progress);
    } else {
        SortByWords(entries, Names, progress);
    }
    sortloc_lst->clear();
    sortloc_lst->addItems(entries);
    sort_prg->setValue(0);
    FPrompter.ShowPlainMessage(tr("Done !"));
}

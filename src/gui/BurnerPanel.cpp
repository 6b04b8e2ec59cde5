#include "gui/BurnerPanel.h"

#include "gui/BurnhavenDlg.h"
#include "gui/PanelButton.h"
#include "gui/PanelHost.h"
#include "gui/ToolList.h"
#include "tools/BurnHandOff.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kSecondsRole = Qt::UserRole;

TCompilationEntry EntryOf(const QListWidgetItem* item) {
    return {item->text(), item->data(kSecondsRole).toInt()};
}
} // namespace

TBurnerPanel::TBurnerPanel(TPanelHost* dlg)
    : QObject(dlg->HostWindow()), FDlg(dlg), FList(dlg->ToolList(TToolPanel::Burner)) {
    setObjectName(QStringLiteral("ign"));
    const TToolPanel panelId = TToolPanel::Burner;
    QWidget* panel = dlg->Panel(panelId);
    FHandOff = new TBurnhavenDlg(dlg->HostWindow());

    auto* row = new QHBoxLayout;
    FGauge = new QProgressBar(panel);
    FGauge->setObjectName(QStringLiteral("IGN_prg"));
    FGauge->setRange(0, 100);
    FGauge->setFormat(QStringLiteral("%p %"));
    FTime = new QLabel(panel);
    FTime->setObjectName(QStringLiteral("igntime_lbl"));
    FTime->setMinimumWidth(FTime->fontMetrics().horizontalAdvance(QStringLiteral("00min 00sec")));
    FTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(FGauge, 1);
    row->addWidget(FTime);
    dlg->PanelLayout(panelId)->addLayout(row);

    connect(AddColumnButton(dlg, panelId, "ignburn_btn", tr("Burn"), "media-optical-burn",
                            QStyle::SP_DriveCDIcon),
            &QPushButton::clicked, this, &TBurnerPanel::ignburn_btnClick);

    FList->AddHook = [this](const QString& path) { return AddCompilationFile(path); };
    // Every change of the list, by its buttons or by dragging, reaches the compilation.
    auto* model = FList->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { RowsInserted(first, last); });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { RowsRemoving(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { RefreshCompilationGauge(); });
    connect(model, &QAbstractItemModel::modelReset, this, &TBurnerPanel::Resync);
    dlg->EntrySteps.insert(int(panelId), [this] { RefreshCompilationGauge(); });
    RefreshCompilationGauge();
}

bool TBurnerPanel::AddCompilationFile(const QString& path) {
    const TCompilationAdd added = FCompilation.Add(path);
    if (added == TCompilationAdd::LineBreak)
        FDlg->Prompter().ShowMessageBox(LineBreakMessage(path), mbOk, mkWarning);
    if (added != TCompilationAdd::Added) return false;
    auto* item = new QListWidgetItem(path);
    item->setData(kSecondsRole, FCompilation.Entries().last().Seconds);
    FAdding = true; // already in the compilation
    FList->addItem(item);
    FAdding = false;
    RefreshCompilationGauge();
    return true;
}

void TBurnerPanel::RowsInserted(int first, int last) {
    if (FAdding) return;
    // An item moved within the list comes back with the seconds it was added with.
    for (int i = first; i <= last; ++i)
        FCompilation.Insert(i, EntryOf(FList->item(i)));
    RefreshCompilationGauge();
}

void TBurnerPanel::RowsRemoving(int first, int last) {
    for (int i = last; i >= first; --i)
        FCompilation.Take(i);
}

void TBurnerPanel::Resync() {
    FCompilation.Reset();
    for (int i = 0; i < FList->count(); ++i)
        FCompilation.Insert(i,
                            {FList->item(i)->text(), FList->item(i)->data(kSecondsRole).toInt()});
    RefreshCompilationGauge();
}

bool TBurnerPanel::RefreshCompilationGauge() {
    const int total = FCompilation.Total();
    FTime->setText(CompilationTimeText(total));
    FGauge->setValue(CompilationGauge(total));
    return IsValidCompilation(total);
}

void TBurnerPanel::ResetTotal() {
    ListReset(FList);
    Resync();
}

void TBurnerPanel::ignburn_btnClick() {
    RefreshCompilationGauge();
    TBurnRequest request;
    request.Compilation = &FCompilation;
    request.Configured = FDlg->Settings.Burnhaven;
    if (!platform::FindBurnhaven(request.Configured).Installed() && DetectPrograms)
        request.Detected = DetectPrograms();
    request.Folder = CompilationFolder();
    const TBurnPlan plan = PrepareBurn(request, FDlg->Prompter());
    if (plan.Step == TBurnStep::DownloadWanted)
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kBurnhavenDownloadUrl)));
    if (plan.Step != TBurnStep::HandOff) return;
    FHandOff->Program = plan.Program;
    FHandOff->State.CompilationCount = 1;
    FHandOff->State.AudioMode = true;
    FHandOff->State.BaseName = request.BaseName;
    FHandOff->State.Folder = request.Folder;
    FHandOff->RunHandOff();
}

#include "gui/ToolRun.h"

#include "gui/PanelHost.h"
#include "lang/TextStorage.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QTimer>

namespace {

// "mlt_prg" gives "mlt", so the status's controls are mltcount_lbl, mltcancel_btn, ...
QString NamePrefix(const QProgressBar* bar) {
    QString name = bar->objectName();
    if (name.endsWith(QLatin1String("_prg"))) return name.chopped(4);
    return name.isEmpty() ? name : name + QLatin1Char('_');
}

} // namespace

TRunStatus::TRunStatus(QProgressBar* bar, QWidget* parent) : QWidget(parent) {
    const QString prefix = NamePrefix(bar);
    setObjectName(prefix + QStringLiteral("status_pnl"));
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    FCount = new QLabel(this);
    FCount->setObjectName(prefix + QStringLiteral("count_lbl"));
    FCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FCurrent = new QLabel(this);
    FCurrent->setObjectName(prefix + QStringLiteral("current_lbl"));
    // A long name is elided instead of widening the window.
    FCurrent->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FCancel = new QPushButton(this);
    FCancel->setObjectName(prefix + QStringLiteral("cancel_btn"));
    FCancel->setShortcut(QKeySequence::Cancel);
    FCancel->setAutoDefault(false);
    FCancel->setEnabled(false);
    FCancel->setProperty(kKeepEnabledDuringRun, true);
    connect(FCancel, &QPushButton::clicked, this, &TRunStatus::RequestCancel);
    lay->addWidget(FCount);
    lay->addWidget(FCurrent, 2);
    lay->addWidget(FCancel);
    RetranslateUi();
}

void TRunStatus::RetranslateUi() {
    FCancel->setText(Tr("Cancel"));
    FCancel->setToolTip(Tr("Stop after the current file (Esc)"));
}

void TRunStatus::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    QWidget::changeEvent(e);
}

TRunStatus* TRunStatus::Of(QProgressBar* bar) {
    if (auto* s = qobject_cast<TRunStatus*>(bar->parentWidget())) return s;
    if (auto* s = bar->findChild<TRunStatus*>(QString(), Qt::FindDirectChildrenOnly)) return s;
    QWidget* parent = bar->parentWidget();
    const bool hidden = bar->isHidden() && bar->testAttribute(Qt::WA_WState_ExplicitShowHide);
    auto* status = new TRunStatus(bar, parent);
    QLayoutItem* old =
        parent && parent->layout() ? parent->layout()->replaceWidget(bar, status) : nullptr;
    if (!old) {
        // Not laid out anywhere: the run still counts and cancels, nothing shows.
        status->setParent(bar);
        status->hide();
        return status;
    }
    delete old;
    static_cast<QHBoxLayout*>(status->layout())->insertWidget(0, bar, 3);
    bar->setVisible(!hidden);
    status->setVisible(!hidden);
    return status;
}

void TRunStatus::Begin() {
    Reset(true);
}

void TRunStatus::End() {
    Reset(false);
}

// Nothing counted or shown, and no Cancel until the tool asks whether to stop.
void TRunStatus::Reset(bool running) {
    FRunning = running;
    FCancelRequested = false;
    ShowText(QString());
    FCount->clear();
    FCancel->setEnabled(false);
}

void TRunStatus::OfferCancel() {
    if (FRunning && !FCancelRequested && !FCancel->isEnabled()) FCancel->setEnabled(true);
}

void TRunStatus::ShowItem(int number, int total, const QString& path) {
    const QString widest = QStringLiteral("%1 / %1").arg(total);
    FCount->setMinimumWidth(FCount->fontMetrics().horizontalAdvance(widest));
    FCount->setText(QStringLiteral("%1 / %2").arg(number).arg(total));
    if (!FCancelRequested) ShowText(QFileInfo(path).fileName());
    FCurrent->setToolTip(path);
}

void TRunStatus::ShowText(const QString& text) {
    FCurrentText = text;
    FCurrent->setText(
        FCurrent->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(0, FCurrent->width())));
}

void TRunStatus::RequestCancel() {
    FCancelRequested = true;
    FCancel->setEnabled(false);
    ShowText(Tr("Stopping after the current file..."));
}

void TRunStatus::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ShowText(FCurrentText);
}

QProgressBar* MakeToolProgressBar(QWidget* parent, const char* name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    // The panel lays the bar out after this returns; the status joins it then.
    QTimer::singleShot(0, bar, [bar] { TRunStatus::Of(bar); });
    return bar;
}

TToolRunGuard::TToolRunGuard(QPushButton* start, QProgressBar* bar) : FStart(start), FBar(bar) {
    FStart->setEnabled(false);
    if (bar) {
        FStatus = TRunStatus::Of(bar);
        FStatus->Begin();
    }
    QWidget* window = start->window();
    if (auto* host = dynamic_cast<TPanelHost*>(window)) {
        FWindow = window;
        host->RunStarted(start);
    }
}

TToolRunGuard::~TToolRunGuard() {
    if (FWindow)
        if (auto* host = dynamic_cast<TPanelHost*>(FWindow.data())) host->RunEnded();
    if (FStatus) FStatus->End();
    if (FStart) FStart->setEnabled(true);
    if (FBar) FBar->setValue(0);
}

#include "gui/BurnhavenDlg.h"

#include "gui/Glyphs.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TBurnhavenDlg::TBurnhavenDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TBurnhavenDlg"));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("img"));
    picture->setPixmap(ThemeIconOr("media-optical-burn",
                                   GlyphIcon(QStringLiteral("\u25C9"), QColor(0xd9, 0x7b, 0x16)))
                           .pixmap(32, 32));
    FText = new QLabel(this);
    FText->setObjectName(QStringLiteral("text_lbl"));
    FText->setWordWrap(true);
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(FText, 1);
    lay->addLayout(top);
    prog = new QProgressBar(this);
    prog->setObjectName(QStringLiteral("prog"));
    prog->setMinimumWidth(320);
    lay->addWidget(prog);
    auto* row = new QHBoxLayout;
    row->addStretch();
    FCancel = new QPushButton(this);
    FCancel->setObjectName(QStringLiteral("cancel_btn"));
    FCancel->setAutoDefault(false);
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(FCancel);
    lay->addLayout(row);
    tmr = new QTimer(this);
    tmr->setObjectName(QStringLiteral("tmr"));
    tmr->setInterval(1000);
    connect(tmr, &QTimer::timeout, this, &TBurnhavenDlg::tmrTimer);
    RetranslateUi();
}

void TBurnhavenDlg::RetranslateUi() {
    setWindowTitle(tr("Burn"));
    FCancel->setText(tr("Cancel"));
    FText->setText(
        tr("The compilation goes to %1. This window closes when it has ended.").arg(Program.Name));
}

void TBurnhavenDlg::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    QDialog::changeEvent(e);
}

bool TBurnhavenDlg::RunHandOff() {
    // The program may have gone since it was chosen.
    const QFileInfo program(Program.Program);
    if (!program.isFile() || !program.isExecutable() || State.CompilationCount < 1 ||
        State.BaseName.isEmpty())
        return false;
    RetranslateUi();
    prog->setRange(0, State.CompilationCount);
    prog->setValue(0);
    State.Step = 0;
    tmr->start();
    const int result = exec();
    tmr->stop();
    State.Launching = false;
    return result == QDialog::Accepted;
}

void TBurnhavenDlg::tmrTimer() {
    switch (HandOffTick(State, FProcess.Running())) {
    case THandOffTick::Wait:
        break;
    case THandOffTick::Finish:
        accept();
        break;
    case THandOffTick::Launch:
        prog->setValue(State.Step);
        // Posted, so the tick returns before the program is started.
        QMetaObject::invokeMethod(
            this, [this, n = State.Step] { LaunchMessage(n); }, Qt::QueuedConnection);
        break;
    }
}

void TBurnhavenDlg::LaunchMessage(int n) {
    State.Launching = true;
    // A start failure is silent: no program runs, so the next tick closes the window.
    LaunchHandOff(Program, State, n, FProcess);
    State.Launching = false;
}

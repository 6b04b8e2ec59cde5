#include "gui/StreamWriterDlg.h"

#include "gui/ToolRun.h"

#include <QEvent>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

TStreamWriterDlg::TStreamWriterDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("TStreamWriterDlg"));
    setWindowTitle(tr("Please Wait..."));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    prg = new QProgressBar(this);
    prg->setObjectName(QStringLiteral("prg"));
    prg->setRange(0, 100);
    prg->setMinimumWidth(300);
    lay->addWidget(prg);
    tmr = new QTimer(this);
    tmr->setObjectName(QStringLiteral("tmr"));
    tmr->setInterval(50);
    connect(tmr, &QTimer::timeout, this, &TStreamWriterDlg::tmrTimer);
}

bool TStreamWriterDlg::RunStreamWriter() {
    FWritten = false;
    LastError.clear();
    prg->setValue(0);
    tmr->start();
    exec();
    tmr->stop();
    // A run that never got its tick (the window was refused) still starts the next
    // producer from nothing.
    Buffer.clear();
    return FWritten;
}

void TStreamWriterDlg::reject() {
    // Escape must not end the modal state under a write in progress.
    if (!FRunning) QDialog::reject();
}

void TStreamWriterDlg::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) setWindowTitle(tr("Please Wait..."));
    QDialog::changeEvent(e);
}

void TStreamWriterDlg::tmrTimer() {
    tmr->stop();
    FRunning = true;
    TBarProgress progress(prg);
    FWritten = WriteStreamToFile(Buffer, Target, progress, &LastError);
    Buffer.clear();
    FRunning = false;
    accept();
}

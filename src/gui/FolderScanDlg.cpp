#include "gui/FolderScanDlg.h"

#include "tools/FolderScan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

TFolderScanDlg::TFolderScanDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFolderScanDlg"));
    setWindowTitle(tr("Please wait"));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    current_lbl = new QLabel(this);
    current_lbl->setObjectName(QStringLiteral("current_lbl"));
    current_lbl->setWordWrap(true);
    current_lbl->setMinimumWidth(348);
    lay->addWidget(current_lbl);
    tmr = new QTimer(this);
    tmr->setObjectName(QStringLiteral("tmr"));
    tmr->setInterval(100);
    tmr->setSingleShot(true);
    connect(tmr, &QTimer::timeout, this, &TFolderScanDlg::tmrTimer);
    connect(this, &QDialog::rejected, this, [this] { FClosed = true; });
}

bool TFolderScanDlg::ExecuteScan() {
    FClosed = false;
    tmr->start();
    return exec() == QDialog::Accepted;
}

void TFolderScanDlg::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) setWindowTitle(tr("Please wait"));
    QDialog::changeEvent(e);
}

void TFolderScanDlg::tmrTimer() {
    tmr->stop();
    TFolderScanHooks hooks;
    hooks.Folder = [this](const QString& folder) { current_lbl->setText(folder); };
    // Pending events every few hundredths of a second, not after every file: each pass
    // lays the growing list out again, which made a 100,000-file folder take minutes.
    QElapsedTimer sincePump;
    sincePump.start();
    hooks.File = [this, &sincePump](const QString& path) {
        if (FileCallback) FileCallback(path);
        if (sincePump.elapsed() >= 40) {
            QCoreApplication::processEvents();
            sincePump.restart();
        }
    };
    hooks.Cancelled = [this] { return FClosed; };
    const bool complete = ScanFolder(StartFolder, Recurse, hooks);
    if (FClosed) return;
    if (complete)
        accept();
    else
        reject();
}

#include "gui/HTTPDlg.h"

#include "net/HttpClient.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

THTTPDlg::THTTPDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      FClient(new THttpClient(this)) {
    setObjectName(QStringLiteral("THTTPDlg"));
    setWindowTitle(tr("Transfer in progress..."));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    prog_lbl = new QLabel(this);
    prog_lbl->setObjectName(QStringLiteral("prog_lbl"));
    prog_lbl->setMinimumWidth(260);
    lay->addWidget(prog_lbl);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancel_btn = new QPushButton(tr("Cancel"), this);
    cancel_btn->setObjectName(QStringLiteral("cancel_btn"));
    row->addWidget(cancel_btn);
    row->addStretch();
    lay->addLayout(row);
    setFixedSize(sizeHint());
    tmr = new QTimer(this);
    tmr->setSingleShot(true);
    tmr->setInterval(100);
    monitor_tmr = new QTimer(this);
    monitor_tmr->setInterval(500);
    connect(tmr, &QTimer::timeout, this, &THTTPDlg::tmrTimer);
    connect(monitor_tmr, &QTimer::timeout, this, &THTTPDlg::monitor_tmrTimer);
    connect(cancel_btn, &QPushButton::clicked, this, &THTTPDlg::cancel_btnClick);
    connect(FClient, &THttpClient::Done, this, [this] {
        monitor_tmrTimer();
        accept();
    });
}

bool THTTPDlg::ExecuteTransfer() {
    tmr->setInterval(100 + DelayMs);
    tmr->start();
    monitor_tmrTimer();
    FClient->Abort();
    const int result = exec();
    FClient->Abort();
    tmr->stop();
    monitor_tmr->stop();
    return result == QDialog::Accepted;
}

QString THTTPDlg::ErrorText() const {
    return FClient->ErrorText();
}

void THTTPDlg::tmrTimer() {
    tmr->stop();
    // Without the proxy flag, stale proxy values of the settings are not used.
    FClient->ProxyHost = UseProxy ? ProxyHost : QString();
    FClient->ProxyPort = UseProxy ? ProxyPort : QString();
    FClient->ProxyUser = UseProxy ? ProxyUser : QString();
    FClient->ProxyPass = UseProxy ? ProxyPass : QString();
    FClient->UserAgent = UserAgent.isEmpty() ? kHttpDefaultUserAgent : UserAgent;
    monitor_tmr->start();
    FClient->Get(URL, Buffer);
}

void THTTPDlg::monitor_tmrTimer() {
    prog_lbl->setText(tr("Bytes Received :") +
                      QString::asprintf(" %d", Buffer ? int(Buffer->size()) : 0));
}

void THTTPDlg::cancel_btnClick() {
    FClient->Abort();
    reject();
}

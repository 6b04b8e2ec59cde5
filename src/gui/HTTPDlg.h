#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;
class THttpClient;

// "Transfer in progress...": one GET into the caller's buffer while the bytes received
// are counted, with Cancel.
class THTTPDlg : public QDialog {
    Q_OBJECT
public:
    explicit THTTPDlg(QWidget* parent = nullptr);

    bool UseProxy = false;
    QString URL;
    QString ProxyHost;
    QString ProxyPort = QStringLiteral("80");
    QString ProxyUser;
    QString ProxyPass;
    QString UserAgent; // empty: the client's default
    int DelayMs = 0;   // wait before the request (a service's request rate)
    QByteArray* Buffer = nullptr;

    // True when the request ran to its end, whatever came back; false when cancelled.
    bool ExecuteTransfer();
    // What went wrong with the last transfer; empty when the reply arrived whole.
    QString ErrorText() const;
    THttpClient* Client() const { return FClient; }

    QLabel* prog_lbl;
    QPushButton* cancel_btn;

public slots:
    void cancel_btnClick();

private:
    void tmrTimer();
    void monitor_tmrTimer();

    THttpClient* FClient;
    QTimer* tmr;
    QTimer* monitor_tmr;
};

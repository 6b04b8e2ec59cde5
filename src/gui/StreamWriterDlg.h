#pragma once

#include "tools/StreamWriter.h"

#include <QDialog>

class QProgressBar;
class QTimer;

// "Please Wait...": stores the buffer in the target while showing its progress. The
// writing starts from a timer tick so the window is visible while it runs; the window
// cannot be closed meanwhile.
class TStreamWriterDlg : public QDialog, public TStreamWriter {
    Q_OBJECT
public:
    explicit TStreamWriterDlg(QWidget* parent = nullptr);

    bool RunStreamWriter() override;

public slots:
    void reject() override;

protected:
    void changeEvent(QEvent* e) override;

private slots:
    void tmrTimer();

private:
    QProgressBar* prg;
    QTimer* tmr;
    bool FWritten = false;
    bool FRunning = false;
};

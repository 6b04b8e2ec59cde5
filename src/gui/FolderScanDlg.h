#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QTimer;

// "Please wait" window that walks a folder and hands each file to FileCallback. The walk
// starts from a timer tick so the window is visible while it runs.
class TFolderScanDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFolderScanDlg(QWidget* parent = nullptr);

    QString StartFolder;
    bool Recurse = false;
    std::function<void(const QString& path)> FileCallback;

    // True when the walk ran to its end, false when the user closed the window.
    bool ExecuteScan();

protected:
    void changeEvent(QEvent* e) override;

private slots:
    void tmrTimer();

private:
    QLabel* current_lbl;
    QTimer* tmr;
    bool FClosed = false;
};

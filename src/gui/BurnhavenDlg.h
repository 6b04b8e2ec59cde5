#pragma once

#include "platform/BurnProgram.h"
#include "tools/BurnHandOff.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// "Burn": hands the compilation files to the burning program one at a time, waiting while
// the program we started runs, and closes with OK once it has ended. "Cancel" closes at
// once; a program already started keeps running and later hand-offs wait for it.
class TBurnhavenDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBurnhavenDlg(QWidget* parent = nullptr);

    // Set before every RunHandOff.
    THandOffState State;
    platform::TBurnProgram Program;

    // Shows the window modally; true when it closed with OK. False at once, showing
    // nothing, without an installed program, a compilation or a base name.
    bool RunHandOff();
    QProgressBar* prog;
    QTimer* tmr;

public slots:
    void tmrTimer();
    // The posted launch of compilation n (from 1).
    void LaunchMessage(int n);

protected:
    void changeEvent(QEvent* e) override;

private:
    void RetranslateUi();

    QLabel* FText;
    QPushButton* FCancel;
    platform::TWatchedProcess FProcess;
};

#pragma once

#include <QObject>

class QProgressBar;
class QPushButton;
class TCleanOptionBoxes;
class TPanelHost;
class TToolList;

// The name cleaner's controls on cleaner_pnl: the cleaning options and "Go".
class TCleanerPanel : public QObject {
    Q_OBJECT
public:
    explicit TCleanerPanel(TPanelHost* dlg);

public slots:
    void cleango_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    TCleanOptionBoxes* FOptions;
    QPushButton* FGo;
    QProgressBar* FProgress;
};

#pragma once

#include <QObject>

class QListWidget;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;

// The incomplete-tags finder's controls on intag_pnl: the fields to scan, "Scan", the
// results and "Load as editor's queue".
class TIncompletePanel : public QObject {
    Q_OBJECT
public:
    explicit TIncompletePanel(TPanelHost* dlg);

public slots:
    void intagscan_btnClick();
    void intagloadtoeditor_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    QListWidget* FFields;
    QListWidget* FResults;
    QPushButton* FScan;
    QProgressBar* FProgress;
};

#pragma once

#include <QObject>

class QComboBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;

// The quality analyser's controls on qua_pnl: the two thresholds, "Scan", the results,
// "Delete selected files" and "Load into file lister".
class TQualityPanel : public QObject {
    Q_OBJECT
public:
    explicit TQualityPanel(TPanelHost* dlg);

public slots:
    void quascan_btnClick();
    void quaresdelete_btnClick();
    void quaresloadtolister_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    QComboBox* FMinBitrate;
    QComboBox* FMinSampleRate;
    QPushButton* FScan;
    QProgressBar* FProgress;
    QListWidget* FResults;
    QPushButton* FDelete;
};

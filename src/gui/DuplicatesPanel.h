#pragma once

#include "tools/SingleFileEditor.h"

#include <QObject>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class THashScanner;
class TPanelHost;
class TToolList;

// The duplicates finder's controls on duplicates_pnl. "Scan" runs in a background
// thread; while it runs the button is disabled and a second scan is refused.
class TDuplicatesPanel : public QObject {
    Q_OBJECT
public:
    explicit TDuplicatesPanel(TPanelHost* dlg);
    // Stops a running scan and waits for it.
    ~TDuplicatesPanel() override;

    bool Scanning() const { return FScanner != nullptr; }
    // Replaces the real process start of a double-click (tests).
    TProcessStarter StartProcess;

signals:
    // A scan's results are shown (after its closing message).
    void ScanShown();

public slots:
    void dupresscan_btnClick();
    void ScanFinished();
    void duprescodes_cmbChange();
    void dupresfiles_lstClick();
    void dupresfiles_lstDblClick();
    void dupresdelete_btnClick();

private:
    void BuildGroups();
    void ShowProgress();
    void ClearFields();

    TPanelHost* FDlg;
    TToolList* FList;
    QPushButton* FScan;
    QProgressBar* FProgress;
    QLabel* FCurrent;
    QComboBox* FCodes;
    QListWidget* FResults;
    QLineEdit* FFile;
    QLineEdit* FFolder;
    QPushButton* FDelete;
    std::unique_ptr<THashScanner> FScanner;
};

#pragma once

#include <QObject>

class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TPanelHost;
class TToolList;

// The files lister's controls on lister_pnl: output folder, layout, columns, bit-rate
// and time formats, and "Go".
class TListerPanel : public QObject {
    Q_OBJECT
public:
    explicit TListerPanel(TPanelHost* dlg);

    // Replaces the whole list by `paths` (the quality analyser's results).
    void LoadFiles(const QStringList& paths);

public slots:
    void listbrowse_btnClick();
    void listgo_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    QLineEdit* FOutput;
    QRadioButton* FLayouts[4];
    QListWidget* FColumns;
    QComboBox* FBitrateFormat;
    QComboBox* FTimeFormat;
    QProgressBar* FProgress;
    QPushButton* FGo;
};

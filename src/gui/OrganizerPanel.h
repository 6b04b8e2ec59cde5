#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;
struct TOrganizedFile;

// The organizer's controls on org_pnl: "Rename", "Move to specific folder" and "Go".
class TOrganizerPanel : public QObject {
    Q_OBJECT
public:
    explicit TOrganizerPanel(TPanelHost* dlg);

public slots:
    void orgago_btnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The list entry of a file that moved shows its new path.
    void ShowNewPath(const TOrganizedFile& file);
    void ShowSettings();

    TPanelHost* FDlg;
    TToolList* FList;
    QCheckBox* FRename;
    QCheckBox* FMove;
    QLabel* FSettings;
    QPushButton* FGo;
    QProgressBar* FProgress;
};

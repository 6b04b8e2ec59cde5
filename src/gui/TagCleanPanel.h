#pragma once

#include <QObject>
#include <memory>

class QProgressBar;
class QPushButton;
class TCleanOptionBoxes;
class TPanelHost;
class TTagKindBoxes;
class TToolList;

// The tag cleaner's controls on tagclean_pnl: the cleaning options, the tag kinds and "Go".
class TTagCleanPanel : public QObject {
    Q_OBJECT
public:
    explicit TTagCleanPanel(TPanelHost* dlg);
    ~TTagCleanPanel() override;

public slots:
    void tclgo_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    TCleanOptionBoxes* FOptions;
    std::unique_ptr<TTagKindBoxes> FKinds;
    QPushButton* FGo;
    QProgressBar* FProgress;
};

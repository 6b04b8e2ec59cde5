#pragma once

#include <QObject>

class QProgressBar;
class QPushButton;
class TMagicDlg;
class TPanelHost;
class TToolList;

// The magic folder's "Go" and progress bar on magic_pnl, and its preview window.
class TMagicPanel : public QObject {
    Q_OBJECT
public:
    explicit TMagicPanel(TPanelHost* dlg);

    TMagicDlg* Preview() const { return FPreview; }

public slots:
    void magicgo_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    QPushButton* FGo;
    QProgressBar* FProgress;
    TMagicDlg* FPreview;
};

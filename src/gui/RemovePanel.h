#pragma once

#include <QObject>
#include <memory>

class QCheckBox;
class TTagKindBoxes;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;

// The tag remover's controls on remove_pnl: the tag kinds and "Clean".
class TRemovePanel : public QObject {
    Q_OBJECT
public:
    explicit TRemovePanel(TPanelHost* dlg);
    ~TRemovePanel() override;

    // Bit set of the checked tag kinds.
    int Kinds() const;

public slots:
    void tremrem_btnClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    std::unique_ptr<TTagKindBoxes> FKinds;
    QPushButton* FClean;
    QProgressBar* FProgress;
};

#pragma once

#include "platform/BurnProgram.h"
#include "tools/Compilation.h"

#include <QObject>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class TBurnhavenDlg;
class TPanelHost;
class TToolList;

// The CD burner's controls on ign_pnl: the playing time, the gauge and "Burn". The list's
// items carry the seconds they were added with, so moving, removing and emptying the list
// keep the total in step.
class TBurnerPanel : public QObject {
    Q_OBJECT
public:
    explicit TBurnerPanel(TPanelHost* dlg);

    // The burner's add rule (Compilation.h); a name with a line break is refused with a
    // message. Returns whether the path was added.
    bool AddCompilationFile(const QString& path);
    // Updates the label and the gauge; whether the compilation is valid.
    bool RefreshCompilationGauge();
    // The start-up step: the compilation starts empty, its total at 0.
    void ResetTotal();

    const TCompilation& Compilation() const { return FCompilation; }
    TBurnhavenDlg* HandOffDlg() const { return FHandOff; }
    // The burning programs of this system; tests put their own.
    std::function<QList<platform::TBurnProgram>()> DetectPrograms = platform::DetectBurningPrograms;

public slots:
    void ignburn_btnClick();

private:
    void RowsInserted(int first, int last);
    void RowsRemoving(int first, int last);
    void Resync();

    TPanelHost* FDlg;
    TToolList* FList;
    QLabel* FTime;
    QProgressBar* FGauge;
    TBurnhavenDlg* FHandOff;
    TCompilation FCompilation;
    bool FAdding = false;
};

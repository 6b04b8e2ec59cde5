#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TPanelHost;
class TToolList;

// The playlist creator's controls on plscr_pnl: output folder, name, relative paths,
// "Import Playlist", "Shuffle" and "Create Playlist".
class TPlsCreatorPanel : public QObject {
    Q_OBJECT
public:
    explicit TPlsCreatorPanel(TPanelHost* dlg);

    // The creator's own add rule (no duplicate test; the first file may set the output
    // folder). Returns whether the path was added.
    bool AddPlaylistFile(const QString& path);

public slots:
    void plscrbrowse_btnClick();
    void plscrimport_btnClick();
    void plscrshuffle_btnClick();
    void plscrgo_btnClick();

private:
    void ShowEntry();
    void FolderChosen(const QString& folder);
    void RefreshCount();

    TPanelHost* FDlg;
    TToolList* FList;
    QLabel* FCount;
    QLineEdit* FOutput;
    QLineEdit* FName;
    QCheckBox* FRelative;
    QPushButton* FGo;
};

#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class TMagicTree;
class TPanelHost;

// "Magic Folder Preview": the tree of folders and songs; "Create" writes it to disk.
class TMagicDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMagicDlg(TPanelHost* owner);

    // Sorts the tree, shows it modally and empties it afterwards; true when closed
    // after "Create".
    bool ExecutePreview(TMagicTree& tree);
    // The tree's nodes into the view, sorted as they are (what ExecutePreview shows).
    void ShowTree(const TMagicTree& tree);

    // Where "Create" writes: the magic folder (empty: the one in the user's data folder),
    // and the desktop that links to it.
    QString BaseFolder;
    QString DesktopFolder;

public slots:
    void create_btnClick();

private:
    TPanelHost* FOwner;
    TMagicTree* FTree = nullptr;
    QTreeWidget* tv;
    QLabel* FCount;
    QProgressBar* magic_prg;
    QPushButton* create_btn;
};

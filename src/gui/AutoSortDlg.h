#pragma once

#include <QDialog>

class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TPrompter;

// "AutoSort": reorders the album's local files to match the new track names, by time or
// by words, as often as the user likes; "Ok" hands the order back.
class TAutoSortDlg : public QDialog {
    Q_OBJECT
public:
    TAutoSortDlg(TPrompter& prompter, QWidget* parent = nullptr);

    // Inputs set before ExecuteSort.
    QStringList Local;
    QStringList Names;
    QList<int32_t> Targets; // milliseconds per track
    QString Folder;         // the album folder

    // True when closed with "Ok"; the reordered list is then in LocalOrder().
    bool ExecuteSort();
    QStringList LocalOrder() const;

    QListWidget* sortloc_lst;
    QListWidget* sortnew_lst;
    QRadioButton* time_rdo;
    QRadioButton* words_rdo;
    QPushButton* go_btn;
    QProgressBar* sort_prg;

public slots:
    void go_btnClick();

private:
    TPrompter& FPrompter;
};

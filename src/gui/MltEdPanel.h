#pragma once

#include <QObject>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TMainDlg;
class TToolList;

// The multiple-files tagger's controls on mlted_pnl: common values, tag kinds and "Go".
class TMltEdPanel : public QObject {
    Q_OBJECT
public:
    explicit TMltEdPanel(TMainDlg* dlg);

    // Bit set of the checked tag kinds.
    int Kinds() const;

public slots:
    void mltgo_btnClick();
    // Loads the clicked file's artist, album, year and genre into the fields.
    void mlt_lstClick();

private:
    TMainDlg* FDlg;
    TToolList* FList;
    QLineEdit* FArtist;
    QLineEdit* FAlbum;
    QLineEdit* FYear;
    QComboBox* FGenre;
    QPlainTextEdit* FComments;
    QCheckBox* FKinds[4];
    QPushButton* FGo;
    QProgressBar* FProgress;
};

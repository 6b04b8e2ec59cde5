#pragma once

#include <QObject>
#include <memory>

class QCheckBox;
class TTagKindBoxes;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;

// The multiple-files tagger's controls on mlted_pnl: common values, tag kinds and "Go".
class TMltEdPanel : public QObject {
    Q_OBJECT
public:
    explicit TMltEdPanel(TPanelHost* dlg);
    ~TMltEdPanel() override;

    // Bit set of the checked tag kinds.
    int Kinds() const;

public slots:
    void mltgo_btnClick();
    // Loads the clicked file's artist, album, year and genre into the fields.
    void mlt_lstClick();

private:
    TPanelHost* FDlg;
    TToolList* FList;
    QLineEdit* FArtist;
    QLineEdit* FAlbum;
    QLineEdit* FYear;
    QComboBox* FGenre;
    QPlainTextEdit* FComments;
    std::unique_ptr<TTagKindBoxes> FKinds;
    QCheckBox* FPerFolder;
    QPushButton* FGo;
    QProgressBar* FProgress;
};

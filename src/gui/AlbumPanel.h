#pragma once

#include <QObject>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TAutoSortDlg;
class TFreeDBDlg;
class THTTPDlg;
class TPanelHost;
class TToolList;
class TTrackNameEditDlg;

// The album renamer's controls on tr_pnl: the local files of one album folder, the new
// track names and album fields (typed or fetched), the options and "Go".
class TAlbumPanel : public QObject {
    Q_OBJECT
public:
    explicit TAlbumPanel(TPanelHost* dlg);
    ~TAlbumPanel() override;

    // The album folder with a trailing separator; empty until "Add Files".
    QString AlbumFolder;
    // Durations of the fetched tracks, shared with the automatic sort.
    QList<int32_t> Durations;

    TFreeDBDlg* FreeDBDlg() const { return FFreeDB; }
    TAutoSortDlg* AutoSortDlg() const { return FAutoSort; }
    THTTPDlg* HTTPDlg() const { return FHttp; }
    TTrackNameEditDlg* TrackNameEditDlg() const { return FEdit; }

public slots:
    void trlocaddfiles_btnClick();
    void trlocaddfake_btnClick();
    void trnewfreedb_btnClick();
    void tredit_btnClick();
    void trnewsort_btnClick();
    void trgo_btnClick();
    // The pattern samples of the options, as the panel is shown.
    void RefreshSamples();

private:
    QStringList LocalEntries() const;
    QStringList NewTracks() const;

    TPanelHost* FDlg;
    TToolList* trloc_lst;
    QListWidget* trnewtracks_lst;
    QLineEdit* trnewartist_txt;
    QLineEdit* trnewalbum_txt;
    QLineEdit* trnewyear_txt;
    QComboBox* trnewgenre_txt;
    QPlainTextEdit* comments_mmo;
    QCheckBox* troptionsrename_chk;
    QCheckBox* troptionstag_chk;
    QCheckBox* troptionspls_chk;
    QLabel* troptionsrenamepattern_lbl;
    QLabel* troptionsplspattern_lbl;
    QPushButton* trgo_btn;
    QProgressBar* tr_prg;
    THTTPDlg* FHttp;
    TFreeDBDlg* FFreeDB;
    TAutoSortDlg* FAutoSort;
    TTrackNameEditDlg* FEdit;
};

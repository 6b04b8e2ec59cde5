#pragma once

#include "net/AlbumLookup.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class THTTPDlg;
class TPanelHost;

// "FreeDB Search": finds an album with the chosen source and fetches its details, track
// names and durations.
class TFreeDBDlg : public QDialog {
    Q_OBJECT
public:
    TFreeDBDlg(TPanelHost* host, THTTPDlg* http);

    // Clears the details and the results and shows the window; true when closed with "Ok".
    bool ExecuteLookup();

    // The local files' durations, for the disc ID of the CDDB query.
    QList<int32_t> LocalDurations;
    // The fetched durations (milliseconds, track order).
    QList<int32_t> Durations;
    QStringList Tracks() const;

    QComboBox* freedbsource_cmb;
    QLineEdit* freedbsearch_txt;
    QPushButton* freedbsearch_btn;
    QListWidget* freedbres_lst;
    QPushButton* freedbfetch_btn;
    QLineEdit* freedbartist_txt;
    QLineEdit* freedbalbum_txt;
    QLineEdit* freedbgenre_txt;
    QLineEdit* freedbyear_txt;
    QListWidget* freedbtracks_lst;
    QLabel* freedbtracknum_lbl;
    QPushButton* freedbok_btn;
    QPushButton* freedbcancel_btn;

public slots:
    void freedbsearch_btnClick();
    void freedbfetch_btnClick();
    void freedbres_lstDblClick();
    void freedbsearch_txtClick();
    void freedbres_lstClick();
    void freedbartist_txtClick();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TLookupConfig Config();
    // Asks for the e-mail the services want when none is set; false when the user cancels.
    bool EnsureEmail(TLookupConfig& config, bool fetch);
    bool Transfer(const TLookupRequest& request, QByteArray& body, QString& error);
    void ClearDetails();
    void MakeDefault(QPushButton* button);

    TPanelHost* FHost;
    THTTPDlg* FHttp;
    QList<TLookupMatch> FMatches; // parallel to freedbres_lst
    TLookupSource FMatchesSource = TLookupSource::MusicBrainz;
};

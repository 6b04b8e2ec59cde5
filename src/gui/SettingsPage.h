#pragma once

#include "gui/Captions.h"

#include <QWidget>

#include "platform/SettingsValues.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TLangList;
class TLanguageChoice;
class TPanelHost;

// The settings panel (setup_pnl): four pages of shared options. Its controls are the live
// settings; every change is mirrored into the host's Settings for the tools.
class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsPage(TPanelHost& owner);

    // Fills the pattern presets and the server list, then reads the store into the controls.
    void LoadSettings();
    // Writes every control's value to the store.
    void SaveSettings();
    // The entry step when the panel is shown: first page, players detected again.
    void ShowEntry();
    // Rebuilds the detected-players list and offers their command lines.
    void DetectPlayers();
    // Runs the configured player on `path`; false when the command line has no "%1" or
    // the program could not be started.
    bool PlayFile(const QString& path);
    // Recomputes the four pattern samples (after a language switch).
    void RefreshSamples();
    void RetranslateUi();
    // The language choice lists the languages of `langue` and switches it.
    void AttachLanguageList(TLangList& langue);

    // The controls as values, and back.
    TSettingsValues ControlsToValues() const;
    void ValuesToControls(const TSettingsValues& values);

public slots:
    void setup_lstClick();
    void setupsave_btnClick();
    void setuporgbrowse_btnClick();
    void setupplscrbrowse_btnClick();
    void setupplscralb_rdoClick();
    void setupplauto_btnClick();
    void setupburnbrowse_btnClick();
    void setupdownload_btnClick();
    void add_btnClick();
    void rem_btnClick();

protected:
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct TPatternBox {
        QComboBox* Box;
        QLabel* Sample;
        QString Keep; // forbidden characters the box keeps ("\" for folder levels)
        QString Skip; // placeholders the sample leaves literal
    };

    QWidget* BuildGeneralPage(QGroupBox* group);
    QWidget* BuildFreeDBPage(QGroupBox* group);
    QWidget* BuildPatternsPage(QGroupBox* group);
    QWidget* BuildPlaybackPage(QGroupBox* group);
    QComboBox* AddPatternBox(QWidget* parent, const char* name, const QString& keep,
                             const QString& skip, QLabel** sample);
    void PatternChanged(TPatternBox& box);
    void FillPresets();
    void SyncValues();
    void SetCaption(QObject* target, const char* text);
    // A label whose caption follows the language.
    QLabel* CaptionLabel(QWidget* parent, const char* text);
    void SetTip(QWidget* target, const char* text);

    TPanelHost& FOwner;
    QListWidget* setup_lst;
    QList<QGroupBox*> FPages;
    QList<TPatternBox> FPatterns;
    bool FLoading = false;

    QCheckBox* disableassistant_chk;
    QComboBox* setupfreedbserver_cmb;
    QLineEdit* setupfreedbcgi_txt;
    QLineEdit* setupfreedbemail_txt;
    QLineEdit* setupfreedbsite_txt;
    QCheckBox* setupfreedbproxy_chk;
    QLineEdit* setupfreedbproxyserver_txt;
    QSpinBox* setupfreedbproxyport_txt;
    QLineEdit* setupfreedbproxyname_txt;
    QLineEdit* setupfreedbproxypass_txt;
    QComboBox* setuprenpattern_cmb;
    QCheckBox* setuprenid3v1_chk;
    QCheckBox* setuprenid3v2_chk;
    QCheckBox* setuprenapev2_chk;
    QCheckBox* setuprenvorbis_chk;
    QCheckBox* setupplsrelative_chk;
    QComboBox* setupplspattern_cmb;
    QRadioButton* setupplscralb_rdo;
    QRadioButton* setupplscrparent_rdo;
    QRadioButton* setupplscrfolder_rdo;
    QLineEdit* setupplscrfolder_txt;
    QPushButton* setupplscrbrowse_btn;
    QLineEdit* setuporgbasedir_txt;
    QComboBox* setuporgrenpattern_cmb;
    QComboBox* setuporgsubdirpattern_cmb;
    QComboBox* setupplauto_cmb;
    QComboBox* setupplcmd_cmb;
    QLineEdit* setupburn_txt;
    TLanguageChoice* setuplanguage_lng;
    QString FFoundBurner; // a burning program on the PATH, named in the empty field

    // Captions and tooltips by their source text, re-applied after a language switch.
    TCaptions FCaptions;
};

// Address of the recommended player's download page.
extern const char* const kPlayerDownloadUrl;

#pragma once

#include "tools/PlaylistTools.h"

#include <QObject>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TToolList;

// The playlist checker's controls on plsck_pnl: "Load Playlist", "Analyse Playlist",
// "Shuffle Playlist", "Save Playlist", the three counts and relative paths.
class TPlsCheckerPanel : public QObject {
    Q_OBJECT
public:
    explicit TPlsCheckerPanel(TPanelHost* dlg);

    // The playlist of the last "Load Playlist", also when that load was cancelled.
    const TLoadedPlaylist& Playlist() const { return FPlaylist; }

public slots:
    void plschkload_btnClick();
    void plschkanalyse_btnClick();
    void plschkshuffle_btnClick();
    void plschksave_btnClick();

private:
    void SetCounts(const QString& valid, const QString& invalid);

    TPanelHost* FDlg;
    TToolList* FList;
    TLoadedPlaylist FPlaylist;
    QCheckBox* FRelative;
    QProgressBar* FProgress;
    QLabel* FTotal;
    QLabel* FValid;
    QLabel* FInvalid;
};

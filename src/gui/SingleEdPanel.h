#pragma once

#include "tools/SingleFileEditor.h"

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TPanelHost;
class TQueueEditorDlg;

// The single-file tag editor's controls on its panel of the main window: the fields
// of one file, its properties and tag kinds, and the queue of files it steps through.
class TSingleEdPanel : public QWidget {
    Q_OBJECT
public:
    // Builds the controls inside the owner's single-file panel and hooks the unsaved
    // modifications question of the panel switch.
    explicit TSingleEdPanel(TPanelHost* owner);

    // Files to edit one after the other; QueuePos is -1 before the first one is loaded.
    QStringList Queue;
    int QueuePos = -1;

    bool Modified() const { return FModified; }

    // The panel's entry step: empties the queue.
    void EmptyQueue();
    // Appends paths to the queue and loads the first one (the panel is shown already).
    void LoadQueue(const QStringList& paths);

    // Loads the file named in the path box.
    void Load();
    // Writes the fields as tag kinds `kinds` (-1: every kind the reader supports).
    void WriteTags(int kinds);
    void RemoveTags(int kinds);

    // Starts the player, and opens a file with the desktop's default application when no
    // player is set; tests replace them.
    TProcessStarter StartProcess;
    TFileOpener OpenWithDesktop;

    // Puts files in the queue (a file already there is not added again) and loads the
    // first of them, after the unsaved-modifications question.
    void AddToQueue(const QStringList& paths);

    // Created at its first use, then reused.
    TQueueEditorDlg* QueueEditor();

public slots:
    void sngedupdate_btnClick();
    void sngedremove_btnClick();
    void sngedreload_btnClick();
    void sndedplayback_btnClick();
    void sngedqueue_btnClick();
    // "Open..." (Ctrl+O): audio files chosen in the open dialog join the queue.
    void sngedopen_btnClick();
    void sngedqueueprev_btnClick();
    void sngedqueuenext_btnClick();
    void sngedid3v1add_btnClick();
    void sngedid3v2add_btnClick();
    void sngedapev2add_btnClick();
    void sngedvorbisadd_btnClick();
    void sngedid3v1del_btnClick();
    void sngedid3v2del_btnClick();
    void sngedapev2del_btnClick();
    void sngedvorbisdel_btnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ClearFields();
    TSingleFileFields Fields() const;
    void ShowQueueEntry();
    void SetProgress(int maximum, int position);

    TPanelHost* FOwner;
    bool FModified = false;
    bool FFilling = false; // fields being filled by the program, not typed
    TQueueEditorDlg* FQueueEditor = nullptr;

    QLineEdit* sngedpath_txt = nullptr;
    QLineEdit* sngedartist_txt = nullptr;
    QLineEdit* sngedtitle_txt = nullptr;
    QLineEdit* sngedalbum_txt = nullptr;
    QLineEdit* sngedyear_txt = nullptr;
    QComboBox* sngedgenre_txt = nullptr;
    QLineEdit* sngedtrack_txt = nullptr;
    QPlainTextEdit* sngedcomments_txt = nullptr;
    QLabel* sngedsize_lbl = nullptr;
    QLabel* sngedbitrate_lbl = nullptr;
    QLabel* sngedsamplerate_lbl = nullptr;
    QLabel* sngedduration_lbl = nullptr;
    QLabel* sngedid3v1_lbl = nullptr;
    QLabel* sngedid3v2_lbl = nullptr;
    QLabel* sngedapev2_lbl = nullptr;
    QLabel* sngedvorbis_lbl = nullptr;
    QLabel* sngedqueue_lbl = nullptr;
    QProgressBar* snged_prg = nullptr;
};

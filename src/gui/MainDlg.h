#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <functional>
#include <memory>

#include "gui/Captions.h"
#include "gui/PanelHost.h"

class QAbstractButton;
class QLabel;
class QListWidget;
class QToolButton;
class QPushButton;
class QStackedWidget;
class QGroupBox;
class QVBoxLayout;
class TBurnerPanel;
class TToolList;
class TFolderScanDlg;
class TListerPanel;
class TStreamWriterDlg;
class TSingleEdPanel;
class TSettingsPage;
class TStarter;
class TLangList;
class TTextStorage;

class TMainDlg : public QMainWindow, public TPanelHost {
    Q_OBJECT
public:
    // The dialog uses `prompter` for every question and message; without one it shows
    // real dialogs.
    explicit TMainDlg(std::shared_ptr<TPrompter> prompter = nullptr, QWidget* parent = nullptr);
    ~TMainDlg() override;

    QWidget* HostWindow() override { return this; }
    TPrompter& Prompter() override { return *FPrompter; }

    bool ShowToolPanel(TToolPanel panel) override;
    // Shows the panel with that objectName ("org_pnl"); false for an unknown name.
    bool ShowToolPanelByName(const QString& name);
    TToolPanel CurrentPanel() const { return FCurrent; }
    QWidget* Panel(TToolPanel panel) const override;
    QString Title() const;
    QString Subtitle() const;

    int ShowMessageBox(const QString& text, int buttons, int kind);

    // "Add" and "Add Folder" of a tool's list.
    void AddFromOpenDialog(TToolList* list);
    void AddFolderToList(TToolList* list);
    QString OpenDialogFilter() const override;
    QString EditorOpenFilter() const override;
    void ScanInto(const QString& folder, bool recurse,
                  std::function<void(const QString&)> callback) override;

    // Single-file editor's controls with its queue; the queue is emptied each time its
    // panel is shown.
    TSingleEdPanel* SingleFileEditor = nullptr;
    void LoadSingleFileQueue(const QStringList& paths) override;
    void LoadListerFiles(const QStringList& paths) override;
    TStreamWriter& StreamWriter() override;

    TSettingsPage* SettingsPage() const { return FSettingsPage; }

    // The language files and the window's messages in the current language.
    TLangList* langue = nullptr;
    TTextStorage* main_ts = nullptr;

    // Start-up: the program's arguments (without its name) and the one-time work of the
    // first activation. "register"/"unregister" end the program: ExitRequested is set and
    // ExitCode tells whether the desktop entry could be written or removed.
    QStringList CommandLine;
    bool StarterAllowed = true; // off where nobody could answer the assistant
    bool ExitRequested = false;
    int ExitCode = 0;
    void AppEvntActivate();
    bool StartupDone() const { return FStartupDone; }
    TStarter* Starter() const { return FStarter; }
    TFolderScanDlg* FolderScanDlg() const { return FFolderScan; }
    // The genre names sorted ignoring case, shared by the editors' genre boxes.
    QStringList Genres;
    bool RegisterShellEntries() override;
    bool UnregisterShellEntries() override;
    // Frees the shared lists.
    void FormDestroy();

    // Captions in the current language; run by the language list after a switch (and on
    // every language change event).
    void langueAfterLanguageSwitch();
    QString CurrentPanelName() const;
    // Lists that their own tool fills keep their operation buttons hidden until the tool
    // calls this.
    void ShowListOperations(TToolPanel panel) override;

    TToolList* ToolList(TToolPanel panel) const override;
    QVBoxLayout* ButtonColumn(TToolPanel panel) const override;
    QVBoxLayout* PanelLayout(TToolPanel panel) const override;

    // While a run goes, the buttons of the tool panels that could start another are
    // disabled (list operations and Cancel stay).
    void RunStarted(QWidget* start) override;
    void RunEnded() override;
    bool RunInProgress() const { return FRunDepth > 0; }

    // The size and place the window had when it was last closed; false when none is stored.
    // Closing stores them while KeepGeometry is set.
    bool RestoreWindowGeometry();
    bool KeepGeometry = true;

signals:
    // The start-up work has run (and the command line was acted on).
    void StartupFinished();

public slots:
    void tools_btnClick();
    void settings_btnClick();
    void about_btnClick();
    void setup_lstClick();

protected:
    void changeEvent(QEvent* e) override;
    // Saves the settings when the settings page is the one left, asks about unsaved edits
    // of the single-file editor, stops a run after its current file and keeps the geometry.
    void closeEvent(QCloseEvent* e) override;

private:
    struct TPanelInfo {
        TToolPanel Panel;
        const char* PanelName;
        const char* Caption;
        const char* Handler;
        const char* Title;
        const char* Subtitle;
        const char* IconName;
    };
    static const QList<TPanelInfo>& PanelTable();
    const TPanelInfo& Info(TToolPanel panel) const;

    void BuildTopBand(QWidget* parent);
    QWidget* BuildToolsList();
    QWidget* BuildToolPanel(const TPanelInfo& info);
    void RetranslateUi();
    void SetCaption(QObject* target, const char* text, bool tip = false);
    void FillGenreBoxes();
    void RunEntryStep(TToolPanel panel);
    QIcon PanelIcon(TToolPanel panel) const;
    // Highlights where the user is in the bar and the active tool on the tools list.
    void SyncBarButtons();
    void SaveWindowGeometry();

    std::shared_ptr<TPrompter> FPrompter;
    TToolPanel FCurrent = TToolPanel::Tools;
    TToolPanel FLastTool = TToolPanel::Tools; // Tools until a tool was opened
    QToolButton* FToolsBtn = nullptr;
    QToolButton* FSettingsBtn = nullptr;
    QToolButton* FActiveToolBtn = nullptr;
    QMap<int, QToolButton*> FToolButtons;
    int FRunDepth = 0;
    QList<QPointer<QAbstractButton>> FDisabledDuringRun;
    QLabel* FTitle = nullptr;
    QLabel* FSubtitle = nullptr;
    QLabel* FIcon = nullptr;
    QStackedWidget* FWork = nullptr;
    QMap<int, QWidget*> FPanels;
    QMap<int, TToolList*> FLists;
    QMap<int, QVBoxLayout*> FButtonColumns;
    QMap<int, QList<QWidget*>> FHiddenOperations;
    TSettingsPage* FSettingsPage = nullptr;
    TFolderScanDlg* FFolderScan = nullptr;
    TStreamWriterDlg* FStreamWriter = nullptr;
    TListerPanel* FLister = nullptr;
    TBurnerPanel* FBurner = nullptr;
    TStarter* FStarter = nullptr;
    bool FActivated = false;
    bool FStartupDone = false;
    TCaptions FCaptions;
};

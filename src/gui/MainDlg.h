#pragma once

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>

#include "gui/Captions.h"
#include "platform/SettingsValues.h"
#include "tools/Prompter.h"

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QGroupBox;
class QVBoxLayout;
class TToolList;
class TFolderScanDlg;
class TSingleEdPanel;
class TSettingsPage;
class TStarter;

// The panels of the work area, one visible at a time.
enum class TToolPanel {
    Tools,
    Album,
    SingleFile,
    Burner,
    Cleaner,
    Remover,
    Organizer,
    PlaylistCreator,
    PlaylistChecker,
    Lister,
    Settings,
    MultipleFiles,
    Duplicates,
    Incomplete,
    Quality,
    Magic,
    TagCleaner,
};

class TMainDlg : public QMainWindow {
    Q_OBJECT
public:
    // The dialog uses `prompter` for every question and message; without one it shows
    // real dialogs.
    explicit TMainDlg(std::shared_ptr<TPrompter> prompter = nullptr, QWidget* parent = nullptr);
    ~TMainDlg() override;

    TPrompter& Prompter() { return *FPrompter; }

    // False when the user kept unsaved edits of the single-file editor (nothing changes).
    bool ShowToolPanel(TToolPanel panel);
    // Shows the panel with that objectName ("org_pnl"); false for an unknown name.
    bool ShowToolPanelByName(const QString& name);
    TToolPanel CurrentPanel() const { return FCurrent; }
    QWidget* Panel(TToolPanel panel) const;
    QString Title() const;
    QString Subtitle() const;

    int ShowMessageBox(const QString& text, int buttons, int kind);
    bool AskQuestion(const QString& text) { return FPrompter->AskQuestion(text); }
    bool AskWarning(const QString& text) { return FPrompter->AskWarning(text); }
    void ShowPlainMessage(const QString& text) { FPrompter->ShowPlainMessage(text); }

    // "Add" and "Add Folder" of a tool's list.
    void AddFromOpenDialog(TToolList* list);
    void AddFolderToList(TToolList* list);
    QString OpenDialogFilter() const;
    // Walks `folder` in the "Please wait" window, handing each file to `callback`.
    void ScanInto(const QString& folder, bool recurse,
                  std::function<void(const QString&)> callback);

    // Saving the settings when their page is left (the settings page's SaveSettings), and
    // whether the single-file editor holds unsaved modifications (set by the editor).
    std::function<void()> SaveSettingsHook;
    std::function<bool()> SingleFileModifiedHook;
    // Single-file editor's controls with its queue; the queue is emptied each time its
    // panel is shown.
    TSingleEdPanel* SingleFileEditor = nullptr;
    // Shows the single-file editor with `paths` as its new queue (command line, other
    // tools).
    void LoadSingleFileQueue(const QStringList& paths);

    // The settings the tools read; the settings page loads them, keeps them in step with
    // its controls and saves them.
    TSettingsValues Settings;
    TSettingsPage* SettingsPage() const { return FSettingsPage; }

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
    // The "Open with Sonvale" entry of the file manager.
    bool RegisterShellEntries();
    bool UnregisterShellEntries();
    // Frees the shared lists.
    void FormDestroy();

    // Captions in the current language; run by the language list after a switch (and on
    // every language change event).
    void langueAfterLanguageSwitch();
    QString CurrentPanelName() const;
    // Lists that their own tool fills keep their operation buttons hidden until the tool
    // calls this.
    void ShowListOperations(TToolPanel panel);

    // A tool panel's file list (nullptr for panels without one), the column of buttons
    // beside it (tools append their own, e.g. "Go") and the panel's outer layout, below
    // which tools add their option groups.
    TToolList* ToolList(TToolPanel panel) const;
    QVBoxLayout* ButtonColumn(TToolPanel panel) const;
    QVBoxLayout* PanelLayout(TToolPanel panel) const;

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

    std::shared_ptr<TPrompter> FPrompter;
    TToolPanel FCurrent = TToolPanel::Tools;
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
    TStarter* FStarter = nullptr;
    bool FActivated = false;
    bool FStartupDone = false;
    TCaptions FCaptions;
};

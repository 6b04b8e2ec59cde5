#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/SettingsValues.h"
#include "tools/HashScanner.h"
#include "tools/Prompter.h"

class QVBoxLayout;
class QWidget;
class TStreamWriter;
class TToolList;

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

// What a panel or dialog may ask of the window that holds it. Panels include this
// header, never the main window's: only the main window knows every panel.
class TPanelHost {
public:
    virtual ~TPanelHost() = default;

    // Parent for a panel's own dialogs.
    virtual QWidget* HostWindow() = 0;
    virtual TPrompter& Prompter() = 0;
    bool AskQuestion(const QString& text) { return Prompter().AskQuestion(text); }
    bool AskWarning(const QString& text) { return Prompter().AskWarning(text); }
    void ShowPlainMessage(const QString& text) { Prompter().ShowPlainMessage(text); }

    // False when the user kept unsaved edits of the single-file editor (nothing changes).
    virtual bool ShowToolPanel(TToolPanel panel) = 0;
    // Shows the single-file editor with `paths` as its new queue.
    virtual void LoadSingleFileQueue(const QStringList& paths) = 0;
    // Shows the files lister with `paths` as its whole list (the quality analyser's
    // "Load into file lister").
    virtual void LoadListerFiles(const QStringList& paths) = 0;

    // A tool panel, its file list (nullptr for panels without one), the column of buttons
    // beside the list (tools append their own, e.g. "Go") and the panel's outer layout,
    // below which tools add their option groups.
    virtual QWidget* Panel(TToolPanel panel) const = 0;
    virtual TToolList* ToolList(TToolPanel panel) const = 0;
    virtual QVBoxLayout* ButtonColumn(TToolPanel panel) const = 0;
    virtual QVBoxLayout* PanelLayout(TToolPanel panel) const = 0;
    // Lists that their own tool fills keep Remove and Reset hidden until the tool can fill
    // them.
    virtual void ShowListOperations(TToolPanel panel) = 0;
    // The "Please Wait..." window through which the tools store their output files.
    virtual TStreamWriter& StreamWriter() = 0;

    // The open dialog's filter, and a folder walked in the "Please wait" window, handing
    // each file to `callback`.
    virtual QString OpenDialogFilter() const = 0;
    virtual void ScanInto(const QString& folder, bool recurse,
                          std::function<void(const QString&)> callback) = 0;

    // The "Open with Sonvale" entry of the file manager.
    virtual bool RegisterShellEntries() = 0;
    virtual bool UnregisterShellEntries() = 0;

    // A tool's run starts or ends (`start` is its start button). While a run goes, pending
    // events are handled between files, so the window keeps the other tools from starting
    // a second run inside it.
    virtual void RunStarted(QWidget* start) { (void)start; }
    virtual void RunEnded() {}
    // The open dialog's filter for the single-file editor, which opens every format a
    // reader takes.
    virtual QString EditorOpenFilter() const { return OpenDialogFilter(); }

    // The settings the tools read; the settings page loads them, keeps them in step with
    // its controls and saves them.
    TSettingsValues Settings;
    // The duplicates finder's fingerprints of its last scan, with the paths they belong to.
    TFingerprintScan Fingerprints;
    // Saving the settings when their page is left (the settings page's SaveSettings), and
    // whether the single-file editor holds unsaved modifications (set by the editor).
    std::function<void()> SaveSettingsHook;
    std::function<bool()> SingleFileModifiedHook;
    // A tool changed Settings (the e-mail asked at a lookup): the settings page shows it.
    std::function<void()> SettingsChangedHook;
    // A tool's own step each time its panel is shown.
    QHash<int, std::function<void()>> EntrySteps;
};

#pragma once

#include "tools/Prompter.h"

// The tools' messages on the terminal: plain messages and information on standard
// output, warnings and errors on standard error. Nobody answers questions, so every
// question gets No and every dialog is cancelled.
class TCliPrompter : public TPrompter {
public:
    int ShowMessageBox(const QString& text, int buttons, int kind) override;
    void ShowPlainMessage(const QString& text) override;
    QStringList OpenFiles(const QString&, const QString&, bool) override { return {}; }
    QString BrowseFolder(const QString&) override { return {}; }
};

// Keeps every message for the command's own report; prints them as TCliPrompter does
// unless Quiet (--json, where standard output holds only JSON).
class TCliRecordingPrompter : public TCliPrompter {
public:
    bool Quiet = false;
    QStringList Messages; // plain messages and information
    QStringList Errors;   // warnings and errors
    int ShowMessageBox(const QString& text, int buttons, int kind) override;
    void ShowPlainMessage(const QString& text) override;
};

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

// For commands whose standard output is a listing (or JSON lines): every message goes to
// standard error. Questions still get No.
class TListingPrompter : public TCliPrompter {
public:
    int ShowMessageBox(const QString& text, int buttons, int kind) override;
    void ShowPlainMessage(const QString& text) override;
};

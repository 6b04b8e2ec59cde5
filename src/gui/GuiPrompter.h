#pragma once

#include "tools/Prompter.h"

class QWidget;

// The prompter of the running program: real message boxes and file dialogs.
class TGuiPrompter : public TPrompter {
public:
    explicit TGuiPrompter(QWidget* owner = nullptr) : FOwner(owner) {}
    void SetOwner(QWidget* owner) { FOwner = owner; }

    int ShowMessageBox(const QString& text, int buttons, int kind) override;
    void ShowPlainMessage(const QString& text) override;
    QStringList OpenFiles(const QString& title, const QString& filter, bool multiple) override;
    QString BrowseFolder(const QString& title) override;
    void ShowAbout(const QString& title, const QString& text) override;
    bool InputText(const QString& title, const QString& label, QString& value) override;

private:
    QWidget* FOwner;
};

#pragma once

#include <QString>
#include <QStringList>

// Every message box, plain message, open dialog and browse dialog goes through a
// prompter, so the GUI shows real dialogs while tests and the CLI script the answers.

// Buttons of a message box.
enum TMsgButtons { mbOk = 0, mbYesNo = 1 };
// Kinds of a message box; the kind picks the icon and the title.
enum TMsgKind { mkNone = 0, mkWarning = 1, mkError = 2, mkQuestion = 3, mkInformation = 4 };
// Codes of the pressed button.
enum TMsgResult { mrOk = 1, mrYes = 6, mrNo = 7 };

// Titles of the five kinds ("Message", "Warning", "Error", "Question", "Information"),
// replaced after a language switch.
QStringList MessageBoxTitles();
void SetMessageBoxTitles(const QStringList& titles);
QString MessageBoxTitle(int kind);

class TPrompter {
public:
    virtual ~TPrompter() = default;

    // Returns mrOk, mrYes or mrNo.
    virtual int ShowMessageBox(const QString& text, int buttons, int kind) = 0;
    // Application title as caption, one OK button, no icon.
    virtual void ShowPlainMessage(const QString& text) = 0;
    // Empty list when cancelled.
    virtual QStringList OpenFiles(const QString& title, const QString& filter, bool multiple) = 0;
    // Empty when cancelled.
    virtual QString BrowseFolder(const QString& title) = 0;
    // One line of text, `value` holding the text shown first; false when cancelled (and
    // wherever nobody can type).
    virtual bool InputText(const QString& title, const QString& label, QString& value) {
        (void)title, (void)label, (void)value;
        return false;
    }

    // The about box: what the program is and its version, under `title`.
    virtual void ShowAbout(const QString& title, const QString& text) {
        (void)title;
        ShowMessageBox(text, mbOk, mkInformation);
    }

    bool AskQuestion(const QString& text) {
        return ShowMessageBox(text, mbYesNo, mkQuestion) == mrYes;
    }
    bool AskWarning(const QString& text) {
        return ShowMessageBox(text, mbYesNo, mkWarning) == mrYes;
    }
};

#pragma once

#include "tools/Prompter.h"

#include <QQueue>
#include <QStringList>
#include <stdexcept>

// Answers questions and dialogs from a script and records what was shown. A question
// that was not scripted fails loudly instead of guessing an answer.
class TScriptedPrompter : public TPrompter {
public:
    struct TShown {
        QString Text;
        int Buttons = 0;
        int Kind = 0;
        bool Plain = false;
    };

    QQueue<int> Answers; // mrOk/mrYes/mrNo, one per Yes/No box
    QQueue<QStringList> OpenAnswers;
    QQueue<QString> BrowseAnswers;
    QQueue<QString> TextAnswers; // one per InputText; none left: cancelled
    QList<TShown> Shown;
    QStringList OpenFilters;

    int ShowMessageBox(const QString& text, int buttons, int kind) override {
        Shown.append({text, buttons, kind, false});
        if (buttons == mbOk) return mrOk;
        if (Answers.isEmpty()) throw std::logic_error("unscripted question: " + text.toStdString());
        return Answers.dequeue();
    }
    void ShowPlainMessage(const QString& text) override {
        Shown.append({text, mbOk, mkNone, true});
    }
    QStringList OpenFiles(const QString&, const QString& filter, bool) override {
        OpenFilters.append(filter);
        return OpenAnswers.isEmpty() ? QStringList() : OpenAnswers.dequeue();
    }
    QString BrowseFolder(const QString&) override {
        return BrowseAnswers.isEmpty() ? QString() : BrowseAnswers.dequeue();
    }
    bool InputText(const QString&, const QString& label, QString& value) override {
        Shown.append({label, mbOk, mkNone, false});
        if (TextAnswers.isEmpty()) return false;
        value = TextAnswers.dequeue();
        return true;
    }
    QStringList Texts() const {
        QStringList t;
        for (const auto& s : Shown)
            t.append(s.Text);
        return t;
    }
};

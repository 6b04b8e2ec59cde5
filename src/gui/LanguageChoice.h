#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class TLangList;

// The settings page's list of languages: each with its flag, the chosen language's
// second text above the list. Choosing one switches the program to it.
class TLanguageChoice : public QWidget {
    Q_OBJECT
public:
    explicit TLanguageChoice(QWidget* parent = nullptr);

    // Lists the languages of `langue` (after a Scan) and follows each of its switches.
    void SetLangList(TLangList* langue);
    QListWidget* List() const { return FList; }
    QLabel* Label() const { return FLabel; }

signals:
    // A language was chosen in the list.
    void Click();

private:
    void Fill();
    void Choose(int row);
    void Switched();

    TLangList* FLangList = nullptr;
    QLabel* FLabel;
    QListWidget* FList;
    bool FSelecting = false;
};

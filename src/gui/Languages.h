#pragma once
// The language machinery of the main window: its message lists, its language list with
// the start-up steps, and Qt's own translations.

#include <QStringList>
#include <cstdint>
#include <functional>

class QWidget;
class TLangList;
class TPrompter;
class TTextStorage;

// The message lists of the catalog built with the program: main_ts on the main window,
// texts_ts on each dialog with messages of its own. Returns main_ts.
TTextStorage* AttachMessageLists(QWidget* mainWindow);

// Language files "Sonvale_XXXXXXXX.SPK" in the data folder, the choice stored as
// "langue" in the settings, the components of `mainWindow`; `afterSwitch` runs after each
// switch, once Qt's own texts follow the new language.
void SetupLanguageList(TLangList& langue, QWidget* mainWindow, std::function<void()> afterSwitch);

// The start-up steps: a "-co" argument writes the reference file Sonvale_ORIGINAL.SPK
// (a failure is told through `prompter`), then the files are listed and, with Autoload,
// the stored or the user's language is restored.
void StartLanguages(TLangList& langue, const QStringList& args, TPrompter& prompter);

// Qt's own texts (standard buttons, file dialogs) in the language of `code`, English
// for 0 or a language Qt has no translation for.
void UseQtTranslations(uint32_t code);

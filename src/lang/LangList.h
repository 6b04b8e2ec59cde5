#pragma once

#include "lang/LanguageRecord.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSettings;

// Finds the language files, remembers the chosen language in the settings and switches
// the running program to it.
class TLangList : public QObject {
    Q_OBJECT
public:
    explicit TLangList(QObject* parent = nullptr);
    ~TLangList() override;

    struct TLanguage {
        QString Name;  // first text [version] - third text
        uint32_t Code; // variant << 16 | language identifier
    };

    QString FilePrefix;
    QString RegKey = QStringLiteral("Software\\ZUL\\Localization");
    QString SubDir;
    bool Autoload = true;
    bool CplCompatibility = false;
    // The program's folder (empty: the executable's).
    QString BaseDir;

    QStringList ExcludedComps() const { return FExcluded; }
    // Kept sorted, each name once.
    void SetExcludedComps(const QStringList& names);

    const QList<TLanguage>& Languages() const { return FLanguages; }
    int LanguageIndex() const { return FIndex; }
    // The code of the chosen language, 0 while the program shows its own texts.
    uint32_t CurrentCode() const;
    QString LanguageDir() const;
    // The file of a language code: FilePrefix, 8 hexadecimal digits, ".SPK".
    QString LanguageFile(uint32_t code) const;

    // Lists the language files of LanguageDir() in the order of the known languages.
    void Scan();
    // Switches to the language at `index` of Languages(); raises "Format not supported
    // in this revision" for a file of a later revision.
    void SetLanguageIndex(int index);
    // The stored choice, or the user's language when none is stored.
    void RestoreLanguage();
    void SaveLanguage();
    // The flag picture of a language's first file (a bitmap file image), empty when none.
    QByteArray FlagBitmap(uint16_t languageId) const;
    QString CurrentSecondText() const;

    // Asked before a switch (old code, new code, allow); told after a switch.
    std::function<void(uint32_t, uint32_t, bool&)> BeforeLanguageSwitch;
    std::function<void()> AfterLanguageSwitch;

    // What the program provides: its components as they are now (walked afresh for each
    // switch), the settings store (default: the one RegKey names) and the user's language
    // identifier (default: the system locale's).
    std::function<std::shared_ptr<TComponentTree>()> Components;
    std::function<std::unique_ptr<QSettings>()> OpenStore;
    std::function<uint16_t()> UserLanguage;

    // The program's own texts, written by the "-co" start-up switch, and the language last
    // applied.
    TLanguageRecord Reference;
    TLanguageRecord Current;

private:
    std::unique_ptr<QSettings> Store() const;
    int FindLanguage(uint32_t code, uint32_t mask) const;

    QStringList FExcluded;
    QList<TLanguage> FLanguages;
    int FIndex = -1;
};

#include "lang/LangList.h"

#include "lang/LanguageTable.h"
#include "lang/Storefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

TLangList::TLangList(QObject* parent) : QObject(parent) {}

TLangList::~TLangList() = default;

void TLangList::SetExcludedComps(const QStringList& names) {
    FExcluded = names;
    FExcluded.sort();
    FExcluded.removeDuplicates();
}

uint32_t TLangList::CurrentCode() const {
    return FIndex >= 0 && FIndex < FLanguages.size() ? FLanguages[FIndex].Code : 0;
}

QString TLangList::LanguageDir() const {
    const QString base = BaseDir.isEmpty() ? QCoreApplication::applicationDirPath() : BaseDir;
    QString dir = QDir(base).filePath(SubDir);
    if (!QFileInfo(dir).isDir()) {
        dir = QDir(base).filePath(QStringLiteral("system/") + SubDir);
        if (!QFileInfo(dir).isDir()) dir = QDir::current().filePath(SubDir);
    }
    dir = QDir::cleanPath(dir);
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString TLangList::LanguageFile(uint32_t code) const {
    return LanguageDir() + FilePrefix +
           QStringLiteral("%1.SPK").arg(code, 8, 16, QLatin1Char('0')).toUpper();
}

void TLangList::Scan() {
    FLanguages.clear();
    FIndex = -1;
    for (const TKnownLanguage& known : KnownLanguages()) {
        for (uint32_t variant = 0; variant <= 0xFFFF; ++variant) {
            const uint32_t code = variant << 16 | known.Id;
            const QString name = LanguageFile(code);
            if (!QFileInfo(name).isFile()) break;
            TStorefile file(name);
            file.ReadOnlyRequest = true;
            if (!file.Open() || file.Count() < 4) continue;
            const QByteArray first = file.ReadBytes(true);
            const QString firstText = file.ReadString(true);
            file.Next(); // the second text
            const QString thirdText = file.ReadString(true);
            const int revision = first.size() >= 4 ? uint8_t(first[2]) | uint8_t(first[3]) << 8 : 0;
            QString display = firstText + QStringLiteral(" - ") + thirdText;
            if (revision >= 1 && file.Count() >= 7) {
                file.GoTo(6);
                display = firstText + QStringLiteral(" [") + VersionText(file.ReadInt(false)) +
                          QStringLiteral("] - ") + thirdText;
            }
            FLanguages.append({display, code});
        }
    }
}

int TLangList::FindLanguage(uint32_t code, uint32_t mask) const {
    for (int i = 0; i < FLanguages.size(); ++i)
        if ((FLanguages[i].Code & mask) == (code & mask)) return i;
    return -1;
}

void TLangList::SetLanguageIndex(int index) {
    if (index < 0 || index >= FLanguages.size()) return;
    const uint32_t code = FLanguages[index].Code;
    bool allow = true;
    if (BeforeLanguageSwitch) BeforeLanguageSwitch(CurrentCode(), code, allow);
    if (!allow) return;
    FIndex = index;
    if (Autoload) SaveLanguage();
    if (!Components) return;
    const std::shared_ptr<TComponentTree> tree = Components();
    if (Current.LoadAndApply(LanguageFile(code), *tree) && AfterLanguageSwitch)
        AfterLanguageSwitch();
}

void TLangList::RestoreLanguage() {
    bool stored = false;
    uint32_t code = 0;
    if (const auto store = Store()) {
        const QVariant value = store->value(objectName());
        if (value.isValid()) code = value.toUInt(&stored);
    }
    int index = -1;
    if (stored) {
        index = FindLanguage(code, 0xFFFFFFFF);
        if (index < 0) index = FindLanguage(code, 0xFFFF);
        if (index < 0) index = FindLanguage(code, 0x3FF);
    } else {
        const uint16_t user = UserLanguage ? UserLanguage() : LanguageIdOfLocale(QLocale::system());
        if (user != 0) {
            index = FindLanguage(user, 0xFFFF);
            if (index < 0) index = FindLanguage(user, 0x3FF);
        }
    }
    if (index >= 0) SetLanguageIndex(index);
}

void TLangList::SaveLanguage() {
    if (const auto store = Store()) {
        store->setValue(objectName(), CurrentCode());
        store->sync();
    }
}

QByteArray TLangList::FlagBitmap(uint16_t languageId) const {
    TStorefile file(LanguageFile(languageId));
    file.ReadOnlyRequest = true;
    if (!file.Open() || file.Count() < 6) return {};
    file.GoTo(5);
    return file.ReadBytes(false);
}

QString TLangList::CurrentSecondText() const {
    return FIndex >= 0 ? Current.Header.SecondText : QString();
}

std::unique_ptr<QSettings> TLangList::Store() const {
    if (OpenStore) return OpenStore();
    // "Software\Vendor\Program" names the vendor's and the program's settings.
    QStringList parts = RegKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() &&
        parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty()) return nullptr;
    const QString vendor = parts.takeFirst();
    return std::make_unique<QSettings>(vendor, parts.join(QLatin1Char('/')));
}

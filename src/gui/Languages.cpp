#include "gui/Languages.h"

#include "gui/WidgetTree.h"
#include "io/SonvaleError.h"
#include "lang/LangList.h"
#include "lang/LanguageSource.h"
#include "lang/LanguageTable.h"
#include "lang/TextStorage.h"
#include "platform/Platform.h"
#include "tools/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QInputMethod>
#include <QLabel>
#include <QLibraryInfo>
#include <QPointer>
#include <QSettings>
#include <QTranslator>
#include <QWidget>

namespace {

// Labels and lists whose texts the program sets while it runs (titles of the current
// tool, pattern samples, totals, file lists): a language file leaves them to the program,
// which builds them from its message lists.
const char* const kProgramTexts[] = {
    "TMainDlg",
    "title_lbl",
    "subtitle_lbl",
    "icon_img",
    "setup_pnl",
    "setuprenpatternsample_lbl",
    "setupplspatternsample_lbl",
    "setuporgrenpatternsample_lbl",
    "setuporgsubdirpatternsample_lbl",
};

QList<TLanguageEntry> Catalog() {
    QFile f(QStringLiteral(":/lang/catalog.txt"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return BuildLanguageFile(ParseLanguageSource(QString::fromUtf8(f.readAll()))).Entries;
}

// Texts the windows set once from a message as they were built (labels of form rows,
// captions and tooltips without a name of their own): before a switch each is traced back
// to its English message, after it the message is shown in the new language, unless the
// program or the language file changed the text meanwhile.
class TBuiltTexts {
public:
    void Remember() {
        FTexts.clear();
        const QHash<QString, QString> shown = TTextStorage::ShownMessages();
        for (QWidget* w : QApplication::allWidgets()) {
            for (int kind = 0; kind < kKinds; ++kind) {
                bool has = false;
                const QString text = Text(w, kind, has);
                if (!has || text.isEmpty()) continue;
                const auto it = shown.constFind(text);
                if (it != shown.constEnd()) FTexts.append({w, kind, text, *it});
            }
        }
    }

    void Retranslate() {
        for (const TText& t : std::exchange(FTexts, {})) {
            bool has = false;
            if (!t.Widget || Text(t.Widget, t.Kind, has) != t.Shown) continue;
            SetText(t.Widget, t.Kind, QCoreApplication::translate("Sonvale", t.English.toUtf8()));
        }
    }

private:
    enum { kCaption, kTip, kTitle, kKinds };
    struct TText {
        QPointer<QWidget> Widget;
        int Kind;
        QString Shown, English;
    };

    static QString Text(QWidget* w, int kind, bool& has) {
        has = true;
        switch (kind) {
        case kCaption:
            if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
            if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
            if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
            break;
        case kTip:
            return w->toolTip();
        case kTitle:
            if (w->isWindow()) return w->windowTitle();
            break;
        }
        has = false;
        return {};
    }

    static void SetText(QWidget* w, int kind, const QString& text) {
        if (kind == kTip) {
            w->setToolTip(text);
        } else if (kind == kTitle) {
            w->setWindowTitle(text);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            l->setText(text);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            b->setText(text);
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            g->setTitle(text);
        }
    }

    QList<TText> FTexts;
};

void InstallStorageTranslator() {
    static TTextStorageTranslator* translator = nullptr;
    if (translator) return;
    translator = new TTextStorageTranslator(qApp);
    QCoreApplication::installTranslator(translator);
}

} // namespace

TTextStorage* AttachMessageLists(QWidget* mainWindow) {
    InstallStorageTranslator();
    TTextStorage* main = nullptr;
    for (const TLanguageEntry& e : Catalog()) {
        const QString window = e.Path.section(QLatin1Char('.'), 0, 0);
        const QString name = e.Path.section(QLatin1Char('.'), 1);
        QWidget* owner = window == mainWindow->objectName()
                             ? mainWindow
                             : mainWindow->findChild<QWidget*>(window);
        if (!owner) continue;
        QStringList texts;
        for (const QString& line : SplitItemLines(e.Items.Text))
            texts.append(MessageText(line));
        auto* storage = new TTextStorage(name, texts, owner);
        if (owner == mainWindow) main = storage;
    }
    return main ? main : new TTextStorage(QStringLiteral("main_ts"), {}, mainWindow);
}

void SetupLanguageList(TLangList& langue, QWidget* mainWindow, std::function<void()> afterSwitch) {
    langue.setObjectName(QStringLiteral("langue"));
    langue.FilePrefix = QStringLiteral("Sonvale_");
    langue.RegKey = QStringLiteral("Software\\Orvane\\Sonvale");
    langue.BaseDir = platform::DataFolder();
    QStringList excluded;
    for (const char* name : kProgramTexts)
        excluded.append(QString::fromLatin1(name));
    langue.SetExcludedComps(excluded);
    langue.OpenStore = [] { return platform::OpenSettings(); };
    QPointer<QWidget> window(mainWindow);
    langue.Components = [window, &langue]() -> std::shared_ptr<TComponentTree> {
        return std::make_shared<TWidgetTree>(window, langue.ExcludedComps());
    };
    auto built = std::make_shared<TBuiltTexts>();
    langue.BeforeLanguageSwitch = [built](uint32_t, uint32_t, bool&) { built->Remember(); };
    langue.AfterLanguageSwitch = [&langue, afterSwitch, built] {
        built->Retranslate();
        UseQtTranslations(langue.CurrentCode());
        if (afterSwitch) afterSwitch();
    };
}

void StartLanguages(TLangList& langue, const QStringList& args, TPrompter& prompter) {
    const bool reference = std::any_of(args.cbegin(), args.cend(), [](const QString& a) {
        return a.toLower()
            .replace(QLatin1Char('/'), QLatin1Char('-'))
            .startsWith(QLatin1String("-co"));
    });
    if (reference) {
        QApplication::beep();
        langue.Scan();
        TLanguageHeader& h = langue.Reference.Header;
        h.LanguageId = 0x0409; // the program's own texts are English
        h.Version = PackVersion(QStringLiteral(SONVALE_VERSION));
        h.InputMethod = QGuiApplication::inputMethod()->locale().name();
        h.FontName = QApplication::font().family();
        h.CharSet = 1;
        const QString name =
            langue.LanguageDir() + langue.FilePrefix + QStringLiteral("ORIGINAL.SPK");
        try {
            const std::shared_ptr<TComponentTree> tree = langue.Components();
            langue.Reference.ShowMessage = [&prompter](const QString& text) {
                prompter.ShowMessageBox(text, mbOk, mkError);
            };
            langue.Reference.WriteReference(name, *tree);
        } catch (const ESonvaleError& e) {
            prompter.ShowMessageBox(e.Message, mbOk, mkError);
        }
    }
    langue.Scan();
    if (langue.Autoload) langue.RestoreLanguage();
}

void UseQtTranslations(uint32_t code) {
    static QTranslator* current = nullptr;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
        current = nullptr;
    }
    const QLocale locale = LocaleOfLanguage(uint16_t(code));
    if (code != 0 && locale.language() != QLocale::English && locale.language() != QLocale::C) {
        auto* t = new QTranslator(qApp);
        if (t->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(current = t);
        else
            delete t;
    }
    // Every window retranslates what it builds itself, also when Qt's texts stay as they were.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(qApp, &change);
}

#include "gui/MainDlg.h"

#include "gui/Glyphs.h"
#include "gui/SonvaleApp.h"
#include "platform/StartupRoute.h"

#include <QApplication>
#include <QListWidget>
#include <QPalette>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

// For unattended screenshots: questions are answered from SONVALE_ANSWER ("no" answers
// No, anything else Yes), messages go to stderr and file dialogs are cancelled.
class TUnattendedPrompter : public TPrompter {
public:
    int ShowMessageBox(const QString& text, int buttons, int) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (buttons != mbYesNo) return mrOk;
        return qEnvironmentVariable("SONVALE_ANSWER")
                           .compare(QLatin1String("no"), Qt::CaseInsensitive) == 0
                   ? mrNo
                   : mrYes;
    }
    void ShowPlainMessage(const QString& text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    QStringList OpenFiles(const QString&, const QString&, bool) override { return {}; }
    QString BrowseFolder(const QString&) override { return {}; }
};

// A dark palette, to review how the window looks under a dark desktop theme.
void UseDarkPalette() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor window(0x2b, 0x2d, 0x30), base(0x1e, 0x1f, 0x22), text(0xe6, 0xe6, 0xe6);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    p.setColor(QPalette::Highlight, QColor(0x35, 0x74, 0xc9));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(p);
}

} // namespace

int main(int argc, char** argv) {
    // "register" and "unregister" show nothing, so they must also work where no display
    // is reachable (a terminal over ssh, an install script).
    if (argc > 1 &&
        (std::strcmp(argv[1], "register") == 0 || std::strcmp(argv[1], "unregister") == 0)) {
        const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") &&
                               qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        if (noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TSonvaleApp app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Sonvale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sonvale"));
    QApplication::setApplicationVersion(QStringLiteral(SONVALE_VERSION));
    // The desktop matches the windows with the launcher and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.orvane.Sonvale"));
    QApplication::setWindowIcon(AppIcon());
    const QStringList args = QApplication::arguments().mid(1);

    // For reviews: SONVALE_SCREENSHOT="org_pnl:/tmp/out.png" runs the start-up with the
    // given arguments, shows one panel, saves a picture of the window and ends.
    const QString shot = qEnvironmentVariable("SONVALE_SCREENSHOT");
    std::shared_ptr<TPrompter> prompter;
    if (!shot.isEmpty()) {
        prompter = std::make_shared<TUnattendedPrompter>();
        app.ErrorPrompter = prompter; // an error box would wait for a click nobody gives
        if (qEnvironmentVariable("SONVALE_PALETTE") == QLatin1String("dark")) UseDarkPalette();
    }

    TMainDlg dlg(prompter);
    dlg.CommandLine = args;
    dlg.StarterAllowed = shot.isEmpty();

    // The shell commands end the program without showing anything.
    const TStartRoute route = RouteCommandLine(args);
    if (route == TStartRoute::Register || route == TStartRoute::Unregister) {
        dlg.AppEvntActivate();
        return dlg.ExitCode;
    }

    if (!shot.isEmpty()) {
        const qsizetype colon = shot.indexOf(QLatin1Char(':'));
        // "setup_pnl/2" shows the third page of the settings.
        const QStringList target = shot.left(colon).split(QLatin1Char('/'));
        const QString panel = target.first();
        const int page = target.value(1).toInt();
        const QString out = colon < 0 ? QStringLiteral("sonvale.png") : shot.mid(colon + 1);
        QObject::connect(&dlg, &TMainDlg::StartupFinished, &dlg, [&dlg, panel, page, out] {
            // The start-up may already show the panel (a file or folder argument); showing
            // it again would run its entry step once more.
            const bool known = dlg.CurrentPanelName() == panel || dlg.ShowToolPanelByName(panel);
            if (auto* pages = dlg.findChild<QListWidget*>(QStringLiteral("setup_lst")))
                if (dlg.CurrentPanel() == TToolPanel::Settings) pages->setCurrentRow(page);
            QTimer::singleShot(400, &dlg, [&dlg, out, known] {
                const bool saved = dlg.grab().save(out);
                // Closed as the user would close it (what closing saves is saved).
                dlg.close();
                QApplication::exit(known && saved ? 0 : 1);
            });
        });
    }

    // Pictures for reviews always have the same size, and leave the user's as it was.
    dlg.KeepGeometry = shot.isEmpty();
    if (!dlg.KeepGeometry || !dlg.RestoreWindowGeometry())
        dlg.resize(dlg.minimumSize().expandedTo(QSize(900, 620)));
    dlg.show();
    // The one-time start-up work runs once the window is up.
    QTimer::singleShot(0, &dlg, &TMainDlg::AppEvntActivate);
    return app.exec();
}

#include "gui/MainDlg.h"

#include "gui/SonvaleApp.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    TSonvaleApp app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Sonvale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sonvale"));
    QApplication::setApplicationVersion(QStringLiteral(SONVALE_VERSION));
    TMainDlg dlg;
    dlg.resize(900, 600);
    dlg.show();
    // For reviews: SONVALE_SCREENSHOT="org_pnl:/tmp/out.png" shows one panel, saves a
    // picture of the window and ends.
    const QString shot = qEnvironmentVariable("SONVALE_SCREENSHOT");
    if (!shot.isEmpty()) {
        const qsizetype colon = shot.indexOf(QLatin1Char(':'));
        const QString panel = shot.left(colon);
        const QString out = colon < 0 ? QStringLiteral("sonvale.png") : shot.mid(colon + 1);
        QTimer::singleShot(800, &dlg, [&dlg, panel, out] {
            const bool known = dlg.ShowToolPanelByName(panel);
            QTimer::singleShot(300, &dlg, [&dlg, out, known] {
                const bool saved = dlg.grab().save(out);
                QApplication::exit(known && saved ? 0 : 1);
            });
        });
    }
    return app.exec();
}

#include "gui/MainDlg.h"

#include "audio/SonvaleError.h"
#include "tools/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>

namespace {

// Shows an exception that leaves an event handler in an error box; the program goes on.
class TSonvaleApp : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const ESonvaleError& e) {
            Report(e.Message);
        } catch (const std::exception& e) {
            Report(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    void Report(const QString& text) {
        QMessageBox::critical(activeWindow(), MessageBoxTitle(mkError), text);
    }
};

} // namespace

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

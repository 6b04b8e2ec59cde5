#include "gui/SonvaleApp.h"

#include "gui/GuiPrompter.h"
#include "io/SonvaleError.h"

#include <exception>

TSonvaleApp::TSonvaleApp(int& argc, char** argv) : QApplication(argc, argv) {}

bool TSonvaleApp::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const ESonvaleError& e) {
        Report(e.Message);
    } catch (const std::exception& e) {
        Report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Report(tr("Unknown error"));
    }
    return false;
}

void TSonvaleApp::Report(const QString& text) {
    if (!ErrorPrompter) ErrorPrompter = std::make_shared<TGuiPrompter>();
    // Tools raise their messages already translated; a fixed text raised below them is
    // translated when a message list carries it.
    ErrorPrompter->ShowMessageBox(QCoreApplication::translate("Sonvale", text.toUtf8()), mbOk,
                                  mkError);
}

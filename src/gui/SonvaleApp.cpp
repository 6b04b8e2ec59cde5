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
        Report(QStringLiteral("Unknown error"));
    }
    return false;
}

void TSonvaleApp::Report(const QString& text) {
    if (!ErrorPrompter) ErrorPrompter = std::make_shared<TGuiPrompter>();
    ErrorPrompter->ShowMessageBox(text, mbOk, mkError);
}

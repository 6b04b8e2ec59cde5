#pragma once

#include <QApplication>

// One application object for the whole test program.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

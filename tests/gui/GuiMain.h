#pragma once

#include "gui/SonvaleApp.h"

// One application object for the whole test program.
inline TSonvaleApp& TestApp() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static TSonvaleApp* app = new TSonvaleApp(argc, argv);
    return *app;
}

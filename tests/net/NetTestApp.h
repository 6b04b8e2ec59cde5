#pragma once

#include <QCoreApplication>

// The event loop the client needs; one for the whole test program.
inline void NetTestApp() {
    static int argc = 1;
    static char name[] = "test_net";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// Made before any test runs: servers start threads that need the application object.
inline const bool kNetTestAppMade = (NetTestApp(), true);

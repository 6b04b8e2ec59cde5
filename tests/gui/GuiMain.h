#pragma once

#include "gui/SonvaleApp.h"
#include "platform/Platform.h"
#include "platform/Players.h"

#include <QDir>
#include <QObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A temporary home for the test program: settings, the desktop entry and every other
// per-user file go there, never to the user's own.
inline QString TestHome() {
    static QTemporaryDir home; // removed when the test program ends
    static const bool once = [] {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
        // The machine's desktop choices and installed players stay out of the tests.
        const QString none = home.filePath(QStringLiteral("none"));
        platform::SetPlayerSearchOverride({{none}, {none}, {none}});
        platform::SetSettingsFileOverride(home.filePath(QStringLiteral("settings.ini")));
        return true;
    }();
    (void)once;
    return home.path();
}

// The settings file of the test program.
inline QString TestSettingsFile() {
    return QDir(TestHome()).filePath(QStringLiteral("settings.ini"));
}

// One application object for the whole test program.
inline TSonvaleApp& TestApp() {
    TestHome();
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static TSonvaleApp* app = new TSonvaleApp(argc, argv);
    return *app;
}

// The child of `root` named `name`; a test failure when there is none.
template <class T> T* FindNamed(const QObject* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

#pragma once

#include <QObject>

// Combo boxes and spin boxes take the mouse wheel only when they have the focus: a wheel
// turned to scroll a page that passes over one scrolls on instead of changing (and then
// saving) its value. Installed on the application; lives as long as `owner`.
void InstallWheelGuard(QObject* owner);

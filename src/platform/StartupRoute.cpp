#include "StartupRoute.h"

#include "Platform.h"

#include <QFileInfo>
#include <QSettings>

TStartRoute RouteCommandLine(const QStringList& args) {
    if (args.isEmpty()) return TStartRoute::ShowTools;
    const QString& a = args.first();
    if (a == QLatin1String("register")) return TStartRoute::Register;
    if (a == QLatin1String("unregister")) return TStartRoute::Unregister;
    if (a.isEmpty()) return TStartRoute::ShowTools;
    const QFileInfo info(a);
    if (info.isFile()) return TStartRoute::EditFile;
    if (info.isDir()) return TStartRoute::TagFolder;
    return TStartRoute::ShowTools;
}

bool ShouldShowStarter() {
    auto s = platform::OpenSettings();
    const QString key = QStringLiteral("DontShowStarter");
    if (!s->contains(key)) return true;
    const QVariant v = s->value(key);
    return v.typeId() != QMetaType::QStringList && v.toString() == QLatin1String("0");
}

void SetDontShowStarter(bool dontShow) {
    platform::OpenSettings()->setValue(QStringLiteral("DontShowStarter"),
                                       dontShow ? QStringLiteral("1") : QStringLiteral("0"));
}

void StoreExecutablePath(const QString& exePath) {
    platform::OpenVendorSettings()->setValue(QStringLiteral("Sonvale"), exePath);
}

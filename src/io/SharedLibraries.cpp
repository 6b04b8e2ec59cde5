#include "io/SharedLibraries.h"

#include <QFile>
#include <dlfcn.h>
#include <vector>

bool LoadLibrarySymbols(const QStringList& libraries, std::initializer_list<TLibrarySymbol> symbols,
                        QString& error) {
    std::vector<void*> handles;
    auto fail = [&](const QString& why) {
        error = why;
        for (void* h : handles)
            dlclose(h);
        return false;
    };
    for (const QString& name : libraries) {
        void* h = dlopen(QFile::encodeName(name).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!h) return fail(QString::fromLocal8Bit(dlerror()));
        handles.push_back(h);
    }
    for (const TLibrarySymbol& s : symbols) {
        *s.Slot = nullptr;
        for (void* h : handles)
            if ((*s.Slot = dlsym(h, s.Name))) break;
        if (!*s.Slot)
            return fail(QStringLiteral("%1 lacks %2")
                            .arg(libraries.join(QLatin1String(", ")), QLatin1String(s.Name)));
    }
    return true;
}

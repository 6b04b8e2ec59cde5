#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

// Libraries loaded with dlopen at their first use instead of being linked: a program
// that never calls them never maps them, and its start-up does not pay for them.

// One function of a table and where its address goes.
struct TLibrarySymbol {
    const char* Name;
    void** Slot;
};

// Loads `libraries` in order and fills every slot from any of them. False with the
// reason in `error` when a library does not load or none has a symbol (what was loaded
// is closed again); on success the libraries stay loaded to the end of the process.
bool LoadLibrarySymbols(const QStringList& libraries, std::initializer_list<TLibrarySymbol> symbols,
                        QString& error);

// The function table TApi with every function of LIST (an X macro over function names,
// each a member of TApi) taken from `libraries`; null with the reason in `error`.
#define SONVALE_LOAD_FUNCTION_TABLE(TApi, LIST, libraries, error)                                  \
    [&]() -> std::unique_ptr<TApi> {                                                               \
        auto api = std::make_unique<TApi>();                                                       \
        if (!LoadLibrarySymbols(libraries, {LIST(SONVALE_FUNCTION_TABLE_SLOT)}, error))            \
            return nullptr;                                                                        \
        return api;                                                                                \
    }()
#define SONVALE_FUNCTION_TABLE_SLOT(name) {#name, reinterpret_cast<void**>(&api->name)},

// A function table (TApi) loaded once per process, at the first Get. TApi provides
// `static std::unique_ptr<TApi> Load(const QStringList& libraries, QString& error)`.
template <class TApi> class TLazyLibraries {
public:
    // `what` names the libraries in the reason of a failure.
    TLazyLibraries(const char* what, QStringList defaults)
        : what(what), defaults(std::move(defaults)) {}

    // The table, or null with the reason in `error`; a failure is remembered.
    const TApi* Get(QString& error) {
        std::lock_guard<std::mutex> g(lock);
        if (!tried) {
            tried = true;
            current = TApi::Load(chosen.isEmpty() ? defaults : chosen, failure).release();
            if (!current)
                failure =
                    QStringLiteral("%1 could not be loaded: %2").arg(QLatin1String(what), failure);
        }
        if (!current) error = failure;
        return current;
    }
    // Later Gets load these libraries instead (empty: the defaults again). Tests use it
    // to stand for a machine without them; tables handed out before stay valid.
    void Use(const QStringList& libraries) {
        std::lock_guard<std::mutex> g(lock);
        chosen = libraries;
        if (current) retired.emplace_back(current);
        current = nullptr;
        failure.clear();
        tried = false;
    }

private:
    std::mutex lock;
    const char* const what;
    const QStringList defaults;
    QStringList chosen;
    const TApi* current = nullptr;                    // its libraries stay loaded
    std::vector<std::unique_ptr<const TApi>> retired; // tables handed out before a Use
    QString failure;
    bool tried = false;
};

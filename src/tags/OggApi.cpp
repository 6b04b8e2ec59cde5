#include "tags/OggApi.h"

#include "io/SharedLibraries.h"
#include "io/SonvaleError.h"

namespace {

TLazyLibraries<TOggApi>& Libraries() {
    static TLazyLibraries<TOggApi> libraries(DefaultOggLibraries());
    return libraries;
}

} // namespace

QStringList DefaultOggLibraries() {
    return {QStringLiteral("libogg.so.0"), QStringLiteral("libvorbis.so.0"),
            QStringLiteral("libvorbisfile.so.3")};
}

std::unique_ptr<TOggApi> TOggApi::Load(const QStringList& libraries, QString& error) {
    auto api = std::make_unique<TOggApi>();
#define SONVALE_OGG_SYMBOL(name) {#name, reinterpret_cast<void**>(&api->name)},
    if (LoadLibrarySymbols(libraries, {SONVALE_OGG_FUNCTIONS(SONVALE_OGG_SYMBOL)}, error))
        return api;
#undef SONVALE_OGG_SYMBOL
    error = QStringLiteral("Ogg Vorbis libraries could not be loaded: %1").arg(error);
    return nullptr;
}

const TOggApi& OggApi() {
    QString error;
    const TOggApi* api = Libraries().Get(error);
    if (!api) throw ESonvaleError(error);
    return *api;
}

void UseOggLibraries(const QStringList& libraries) {
    Libraries().Use(libraries);
}

#include "tags/OggApi.h"

#include "io/SharedLibraries.h"
#include "io/SonvaleError.h"

namespace {

TLazyLibraries<TOggApi>& Libraries() {
    static TLazyLibraries<TOggApi> libraries("Ogg Vorbis libraries", DefaultOggLibraries());
    return libraries;
}

} // namespace

QStringList DefaultOggLibraries() {
    return {QStringLiteral("libogg.so.0"), QStringLiteral("libvorbis.so.0"),
            QStringLiteral("libvorbisfile.so.3")};
}

std::unique_ptr<TOggApi> TOggApi::Load(const QStringList& libraries, QString& error) {
    return SONVALE_LOAD_FUNCTION_TABLE(TOggApi, SONVALE_OGG_FUNCTIONS, libraries, error);
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

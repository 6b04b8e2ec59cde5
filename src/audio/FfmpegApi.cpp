#include "audio/FfmpegApi.h"

#include <QFile>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Built at the first use, not at start-up.
struct TApiState {
    std::mutex lock;
    QStringList libraries; // empty: the default ones
    const TFfmpegApi* api = nullptr;
    QString error; // why the libraries did not load
    bool tried = false;
};

TApiState& State() {
    static TApiState state;
    return state;
}

QString LibraryName(const char* stem, int major) {
    return QStringLiteral("lib%1.so.%2").arg(QLatin1String(stem)).arg(major);
}

} // namespace

QStringList DefaultFfmpegLibraries() {
    // Dependencies first, so that each dlopen finds what the next one needs.
    return {LibraryName("avutil", LIBAVUTIL_VERSION_MAJOR),
            LibraryName("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
            LibraryName("avcodec", LIBAVCODEC_VERSION_MAJOR),
            LibraryName("avformat", LIBAVFORMAT_VERSION_MAJOR)};
}

const TFfmpegApi* LoadFfmpegApi(const QStringList& libraries, QString& error) {
    std::vector<void*> handles;
    auto fail = [&](const QString& why) -> const TFfmpegApi* {
        error = QStringLiteral("FFmpeg could not be loaded: %1").arg(why);
        for (void* h : handles)
            dlclose(h);
        return nullptr;
    };
    for (const QString& name : libraries) {
        void* h = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!h) return fail(QString::fromLocal8Bit(dlerror()));
        handles.push_back(h);
    }
    auto api = std::make_unique<TFfmpegApi>();
    auto find = [&](const char* symbol) -> void* {
        for (void* h : handles)
            if (void* p = dlsym(h, symbol)) return p;
        return nullptr;
    };
#define SONVALE_FFMPEG_LOOKUP(name)                                                                \
    api->name = reinterpret_cast<decltype(api->name)>(find(#name));                                \
    if (!api->name)                                                                                \
        return fail(QStringLiteral("%1 lacks %2")                                                  \
                        .arg(libraries.join(QLatin1String(", ")), QLatin1String(#name)));
    SONVALE_FFMPEG_FUNCTIONS(SONVALE_FFMPEG_LOOKUP)
#undef SONVALE_FFMPEG_LOOKUP
    return api.release(); // lives as long as the libraries: to the end of the process
}

const TFfmpegApi* FfmpegApi(QString& error) {
    TApiState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.tried) {
        s.tried = true;
        s.api =
            LoadFfmpegApi(s.libraries.isEmpty() ? DefaultFfmpegLibraries() : s.libraries, s.error);
    }
    if (!s.api) error = s.error;
    return s.api;
}

void UseFfmpegLibraries(const QStringList& libraries) {
    TApiState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.libraries = libraries;
    s.api = nullptr;
    s.error.clear();
    s.tried = false;
}

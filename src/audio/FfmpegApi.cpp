#include "audio/FfmpegApi.h"

#include "io/SharedLibraries.h"

namespace {

QString LibraryName(const char* stem, int major) {
    return QStringLiteral("lib%1.so.%2").arg(QLatin1String(stem)).arg(major);
}

TLazyLibraries<TFfmpegApi>& Libraries() {
    static TLazyLibraries<TFfmpegApi> libraries("FFmpeg", DefaultFfmpegLibraries());
    return libraries;
}

} // namespace

QStringList DefaultFfmpegLibraries() {
    // Dependencies first, so that each dlopen finds what the next one needs.
    return {LibraryName("avutil", LIBAVUTIL_VERSION_MAJOR),
            LibraryName("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
            LibraryName("avcodec", LIBAVCODEC_VERSION_MAJOR),
            LibraryName("avformat", LIBAVFORMAT_VERSION_MAJOR)};
}

std::unique_ptr<TFfmpegApi> TFfmpegApi::Load(const QStringList& libraries, QString& error) {
    return SONVALE_LOAD_FUNCTION_TABLE(TFfmpegApi, SONVALE_FFMPEG_FUNCTIONS, libraries, error);
}

const TFfmpegApi* FfmpegApi(QString& error) {
    return Libraries().Get(error);
}

void UseFfmpegLibraries(const QStringList& libraries) {
    Libraries().Use(libraries);
}

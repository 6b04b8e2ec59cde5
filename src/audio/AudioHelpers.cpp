#include "audio/AudioHelpers.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/Id3v2Tag.h"

#include <cfenv>
#include <cmath>
#include <limits>

int32_t AudioDurationMs(const QString& name) {
    if (!WideFileExists(name)) return 0;
    TAudioFile af;
    af.SetFileName(name);
    if (!af.Open()) return 0;
    double ms = af.GetDuration() * 86400000.0;
    af.Close();
    // nearbyint rounds half to even in the default rounding mode.
    double r = std::nearbyint(ms);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        return 0;
    return static_cast<int32_t>(r);
}

int64_t AudioDataOffset(const QString& name) {
    if (!WideFileExists(name)) return 0;
    try {
        TWFileStream stream(name, fmOpenRead | fmShareDenyNone);
        return AudioDataOffset(stream, name);
    } catch (const ESonvaleError&) {
        return 0;
    }
}

int64_t AudioDataOffset(TWFileStream& stream, const QString& name) {
    switch (FormatCodeOfName(name)) {
    case fcMpeg:
    case fcApe: {
        // What their readers take as the tag (ReadPreferredTags), without parsing the stream.
        unsigned char h[10];
        return stream.ReadAt(0, h, 10) == 10 ? Id3v2TagSize(h) : 0;
    }
    case fcMpc: {
        // The header may sit behind the tag or, when the tag's size is wrong, at 0.
        TAudioFile af;
        af.SetFileName(name);
        try {
            if (!af.Open()) return 0;
        } catch (const ESonvaleError&) {
            return 0;
        }
        const int64_t start = af.Reader->AudioStart;
        af.Close();
        return start;
    }
    default:
        return 0;
    }
}

bool IsSupportedExtension(const QString& ext) {
    if (ext.size() < 2) return false;
    QString e = ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext;
    static const char* const known[] = {"mp3", "ogg",  "ape", "mpc", "mpp",
                                        "mp+", "flac", "fla", "wv",  "wvc"};
    for (const char* k : known) {
        if (e.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

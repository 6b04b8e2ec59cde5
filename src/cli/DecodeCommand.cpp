#include "cli/CliCommon.h"

#include "audio/AudioFile.h"
#include "audio/SonvaleError.h"

#include <QFile>
#include <vector>

namespace {
const char* const kDecodeUsage = "sonvale-cli decode PATH OUT";
}

int RunDecode(const QStringList& args) {
    QStringList positional;
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(QStringLiteral("usage: %1\n\nWrites the reader's PCM (in its own format: "
                                    "sample rate, channels and\nbits as `info` shows) as raw "
                                    "little-endian bytes to OUT ('-' is standard output).\n")
                         .arg(QLatin1String(kDecodeUsage)));
            return kExitOk;
        }
        if (a.startsWith(QLatin1String("--")))
            return UsageError(QLatin1String(kDecodeUsage),
                              QStringLiteral("unknown option '%1'").arg(a));
        positional << a;
    }
    if (positional.size() != 2)
        return UsageError(QLatin1String(kDecodeUsage), QStringLiteral("need PATH and OUT"));
    const QString& path = positional[0];
    const QString& outName = positional[1];

    TAudioFile af;
    af.SetFileName(path);
    try {
        if (!af.Open()) {
            PrintErr(QStringLiteral("%1: Unknown audio format\n").arg(path));
            return kExitFailure;
        }
    } catch (const ESonvaleError& e) {
        PrintErr(QStringLiteral("%1: %2\n").arg(path, e.Message));
        return kExitFailure;
    }

    QFile out;
    bool opened = outName == QLatin1String("-")
                      ? out.open(stdout, QIODevice::WriteOnly)
                      : (out.setFileName(outName), out.open(QIODevice::WriteOnly));
    if (!opened) {
        PrintErr(QStringLiteral("%1: %2\n").arg(outName, out.errorString()));
        return kExitFailure;
    }
    std::vector<char> buffer(64 * 1024);
    try {
        for (;;) {
            int count = int(buffer.size());
            if (!af.Reader->Read(buffer.data(), count)) break;
            if (out.write(buffer.data(), count) != count) {
                PrintErr(QStringLiteral("%1: %2\n").arg(outName, out.errorString()));
                return kExitFailure;
            }
        }
    } catch (const ESonvaleError& e) {
        PrintErr(QStringLiteral("%1: %2\n").arg(path, e.Message));
        return kExitFailure;
    }
    out.flush();
    return kExitOk;
}

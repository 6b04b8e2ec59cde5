#include "cli/CliCommon.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// Writes everything or fails with errno set.
bool WriteAll(int fd, const char* data, int count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, size_t(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        count -= int(n);
    }
    return true;
}

const char* const kDecodeUsage =
    "sonvale-cli decode [--chain [--rate R] [--channels C] [--compress]] PATH OUT";
} // namespace

int RunDecode(const QStringList& args) {
    QStringList positional;
    bool chain = false, compress = false;
    int rate = 44100, channels = 2;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--chain")) {
            chain = true;
            continue;
        }
        if (a == QLatin1String("--compress")) {
            compress = true;
            continue;
        }
        if (a == QLatin1String("--rate") || a == QLatin1String("--channels")) {
            bool ok = false;
            const int v = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            const bool isRate = a == QLatin1String("--rate");
            if (!ok || v < (isRate ? 1000 : 1) || v > (isRate ? 384000 : 2))
                return UsageError(QLatin1String(kDecodeUsage),
                                  QStringLiteral("bad value for '%1'").arg(a));
            (isRate ? rate : channels) = v;
            ++i;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(QStringLiteral("usage: %1\n\nWrites the reader's PCM (in its own format: "
                                    "sample rate, channels and\nbits as `info` shows) as raw "
                                    "little-endian bytes to OUT ('-' is standard output).\n"
                                    "--chain writes the conversion chain's output instead: "
                                    "16-bit, --channels C (1 or 2,\ndefault 2) at --rate R Hz "
                                    "(default 44100); --compress enables the level\n"
                                    "compressor.\n")
                         .arg(QLatin1String(kDecodeUsage)));
            return kExitOk;
        }
        if (a.startsWith(QLatin1String("--")))
            return UsageError(QLatin1String(kDecodeUsage),
                              QStringLiteral("unknown option '%1'").arg(a));
        positional << a;
    }
    if (!chain && (compress || rate != 44100 || channels != 2))
        return UsageError(QLatin1String(kDecodeUsage),
                          QStringLiteral("--rate, --channels and --compress need --chain"));
    if (positional.size() != 2)
        return UsageError(QLatin1String(kDecodeUsage), QStringLiteral("need PATH and OUT"));
    const QString& path = positional[0];
    const QString& outName = positional[1];

    if (!WideFileExists(path) && !WideDirectoryExists(path)) {
        PrintErr(QStringLiteral("%1: No such file or folder\n").arg(path));
        return kExitFailure;
    }
    TAudioFile af;
    af.SetFileName(path);
    af.OutRate = rate;
    af.OutChannels = channels;
    af.Compress = compress;
    try {
        if (!af.Open()) {
            PrintErr(QStringLiteral("%1: Unknown audio format\n").arg(path));
            return kExitFailure;
        }
    } catch (const ESonvaleError& e) {
        PrintErr(QStringLiteral("%1: %2\n").arg(path, e.Message));
        return kExitFailure;
    }

    // Unbuffered: every failed write is seen where it happens, with its reason.
    const bool toStdout = outName == QLatin1String("-");
    const QString shownOut = toStdout ? QStringLiteral("standard output") : outName;
    const int fd = toStdout ? STDOUT_FILENO
                            : ::open(EncodeFileName(outName).constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        PrintErr(
            QStringLiteral("%1: %2\n").arg(outName, QString::fromLocal8Bit(std::strerror(errno))));
        return kExitFailure;
    }
    TAbstractAudioFile* source = chain ? af.ChainEnd() : af.Reader.get();
    std::vector<char> buffer(64 * 1024);
    QString failure;
    try {
        for (;;) {
            int count = int(buffer.size());
            if (!source->Read(buffer.data(), count) || count <= 0) break;
            if (!WriteAll(fd, buffer.data(), count)) {
                failure = WriteFailureText(shownOut, errno);
                break;
            }
        }
    } catch (const ESonvaleError& e) {
        failure = QStringLiteral("%1: %2").arg(path, e.Message);
    }
    // A file system may report a failed write only when the file is closed.
    if (!toStdout && ::close(fd) != 0 && failure.isEmpty())
        failure = WriteFailureText(shownOut, errno);
    if (!failure.isEmpty()) {
        PrintErr(failure + QLatin1Char('\n'));
        return kExitFailure;
    }
    return kExitOk;
}

#include "FuzzTarget.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"

#include <QDir>
#include <QMap>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// A private folder, removed when the process ends: /dev/shm keeps the writes off the disk.
const QByteArray& FuzzFolder() {
    static const QByteArray folder = [] {
        QByteArray tmpl = (::access("/dev/shm", W_OK) == 0 ? QByteArray("/dev/shm")
                                                           : QDir::tempPath().toLocal8Bit()) +
                          "/sonvale-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        static QByteArray removed;
        removed = tmpl;
        std::atexit([] {
            for (const char* ext : {"mp3", "mp2", "wav", "ape", "mpc", "ac3", "ogg", "wma", "m3u",
                                    "pls", "xpl", "tag", "out"})
                ::unlink((removed + "/input." + ext).constData());
            ::rmdir(removed.constData());
        });
        return tmpl;
    }();
    return folder;
}

} // namespace

QString FuzzFile(const char* ext, const uint8_t* data, size_t size) {
    const QByteArray path = FuzzFolder() + "/input." + ext;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += size_t(n);
    }
    ::close(fd);
    return DecodeFileName(path);
}

void FuzzReader(uint8_t formatCode, const char* ext, const uint8_t* data, size_t size,
                int64_t pcmBytes) {
    const QString path = FuzzFile(ext, data, size);
    try {
        std::unique_ptr<TAbstractAudioFile> r = CreateReader(formatCode, path);
        if (!r) return;
        volatile int64_t sink = int64_t(r->GetBitrate()) + r->GetChannels() + r->GetSampleRate() +
                                r->GetBitsPerSample() + r->GetFileSize() + r->GetPcmSize() +
                                r->TagKinds + r->Tags.size();
        volatile double days = r->GetDuration();
        (void)sink;
        (void)days;
        std::vector<char> buffer(4096);
        for (int64_t done = 0; done < pcmBytes;) {
            int count = int(buffer.size());
            if (!r->Read(buffer.data(), count) || count <= 0) break;
            done += count;
        }
    } catch (const ESonvaleError&) {
    }
}

#ifdef SONVALE_FUZZ_REPLAY
namespace {
QMap<QString, TFuzzBody>& Targets() {
    static QMap<QString, TFuzzBody> targets;
    return targets;
}
} // namespace

bool RegisterFuzzTarget(const char* name, TFuzzBody body) {
    Targets().insert(QString::fromLatin1(name), body);
    return true;
}

TFuzzBody FindFuzzTarget(const QString& name) {
    return Targets().value(name, nullptr);
}
#endif

#include "tools/StreamWriter.h"

#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

#include <algorithm>
#include <cmath>

bool WriteStreamToFile(const QByteArray& buffer, const QString& target, TProgress& progress,
                       QString* error) {
    progress.SetRange(100);
    try {
        SafeWriteFile(target, [&](TWFileStream& out) {
            const qsizetype size = buffer.size();
            for (qsizetype done = 0; done < size;) {
                const qsizetype n = std::min(kStreamWriterChunk, size - done);
                out.WriteBuffer(buffer.constData() + done, n);
                done += n;
                progress.SetPosition(int(std::nearbyint(100.0 * double(done) / double(size))));
            }
        });
    } catch (const ESonvaleError& e) {
        if (error) *error = e.Message;
        return false;
    }
    if (error) error->clear();
    return true;
}

bool TFileStreamWriter::RunStreamWriter() {
    TNullProgress progress;
    const bool ok = WriteStreamToFile(Buffer, Target, progress, &LastError);
    Buffer.clear();
    return ok;
}

bool RunStreamWriterAndTell(TStreamWriter& writer, TPrompter& prompter) {
    const bool ok = writer.RunStreamWriter();
    if (!ok && !writer.LastError.isEmpty())
        prompter.ShowMessageBox(writer.LastError, mbOk, mkError);
    prompter.ShowPlainMessage(ok ? Tr("Done !") : Tr("Failed."));
    return ok;
}

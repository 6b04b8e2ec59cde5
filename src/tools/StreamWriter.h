#pragma once
// Where the playlist tools and the files lister store their output: a text prepared in
// memory, written into a temporary file beside the target and renamed over it only when
// every byte is in place, so a failure leaves an older file as it was.

#include <QByteArray>
#include <QString>

class TProgress;
class TPrompter;

inline constexpr qsizetype kStreamWriterChunk = 65536;

class TStreamWriter {
public:
    virtual ~TStreamWriter() = default;
    // Set by the producer before each run; the run empties the buffer, also on failure.
    QByteArray Buffer;
    QString Target;
    // Why the last run failed; empty after a run that succeeded.
    QString LastError;
    // True when the whole buffer is in the target.
    virtual bool RunStreamWriter() = 0;
};

// The work of one run: `buffer` in chunks of 64 KiB with the progress (0 to 100) after
// each. False, with the reason in `error`, when the target was not replaced.
bool WriteStreamToFile(const QByteArray& buffer, const QString& target, TProgress& progress,
                       QString* error);

// A writer without a window.
class TFileStreamWriter : public TStreamWriter {
public:
    bool RunStreamWriter() override;
};

// Runs the writer and tells the outcome: "Done !", or the reason and "Failed.".
bool RunStreamWriterAndTell(TStreamWriter& writer, TPrompter& prompter);

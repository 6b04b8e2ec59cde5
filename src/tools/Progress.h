#pragma once

#include "lang/TextStorage.h"

#include <QString>

// Progress of a tool's loop; the GUI drives its panel's progress bar and handles
// pending events, the CLI prints.
class TProgress {
public:
    virtual ~TProgress() = default;
    virtual void SetRange(int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void SetText(const QString&) {}
    // True when the user asked to stop.
    virtual bool Cancelled() const { return false; }
    // The file being worked on: `number` (from 1) of `total`. The GUI shows "N / total" and
    // the file's name beside its bar.
    virtual void SetItem(int number, int total, const QString& path) {
        (void)number;
        (void)total;
        (void)path;
    }
};

// Does nothing; for callers without a display.
class TNullProgress : public TProgress {
public:
    void SetRange(int) override {}
    void SetPosition(int) override {}
};

// Call before the file at `index` (from 0) of a run over `total` files: false when the user
// asked to stop, so the run ends after the file before it; otherwise shows the file.
inline bool NextItem(TProgress& progress, int index, int total, const QString& path) {
    if (progress.Cancelled()) return false;
    progress.SetItem(index + 1, total, path);
    return true;
}

// The closing message of a run the user stopped: how many of the files were handled.
inline QString StoppedMessage(int handled, int total) {
    return Tr("Stopped: %1 of %2 files were handled, the others were left as they were.")
        .arg(handled)
        .arg(total);
}

#pragma once

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
};

// Does nothing; for callers without a display.
class TNullProgress : public TProgress {
public:
    void SetRange(int) override {}
    void SetPosition(int) override {}
};

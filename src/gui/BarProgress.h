#pragma once

#include "tools/Progress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <algorithm>

// A panel's progress bar as a tool's progress; lets the window handle pending events at
// every step so it repaints and stays responsive during the run.
class TBarProgress : public TProgress {
public:
    explicit TBarProgress(QProgressBar* bar) : FBar(bar) { FSincePump.start(); }
    // A range of 0 to 0 would turn the bar into a busy indicator.
    void SetRange(int maximum) override {
        if (FBar) FBar->setRange(0, std::max(1, maximum));
    }
    void SetPosition(int position) override {
        if (FBar) FBar->setValue(position);
        // Often enough to repaint and answer the user, seldom enough that a run over
        // 100,000 files does not spend its time painting.
        if (FSincePump.elapsed() >= 40) {
            QCoreApplication::processEvents();
            FSincePump.restart();
        }
    }

private:
    QPointer<QProgressBar> FBar;
    QElapsedTimer FSincePump;
};

#pragma once
// What the tool panels share around a run: the progress bar, the tag-kind boxes and the
// guard of the start button.

#include "tools/Progress.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
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

// A tool panel's bar: 0 to 100, no text, named `name`.
inline QProgressBar* MakeToolProgressBar(QWidget* parent, const char* name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

// The four tag-kind boxes "ID3v1", "ID3v2", "APEv2", "vorbis comments" (bits 1, 2, 4, 8),
// all checked at first, named <prefix>id3v1_chk, <prefix>id3v2_chk, <prefix>ape_chk and
// <prefix>vorbis_chk.
class TTagKindBoxes {
public:
    TTagKindBoxes(QWidget* parent, QBoxLayout* row, const QString& prefix) {
        const char* const names[4] = {"id3v1_chk", "id3v2_chk", "ape_chk", "vorbis_chk"};
        const char* const captions[4] = {"ID3v1", "ID3v2", "APEv2", "vorbis comments"};
        for (int i = 0; i < 4; ++i) {
            FBoxes[i] =
                new QCheckBox(QCoreApplication::translate("TTagKindBoxes", captions[i]), parent);
            FBoxes[i]->setObjectName(prefix + QLatin1String(names[i]));
            FBoxes[i]->setChecked(true);
            row->addWidget(FBoxes[i]);
        }
    }
    // Bit set of the checked kinds.
    int Kinds() const {
        int kinds = 0;
        for (int i = 0; i < 4; ++i)
            if (FBoxes[i]->isChecked()) kinds |= 1 << i;
        return kinds;
    }

private:
    QCheckBox* FBoxes[4];
};

// Keeps a tool's start button disabled while its run handles pending events (a second
// click must not start a run inside the first), and on the way out, also by an error,
// enables it again and empties the bar.
class TToolRunGuard {
public:
    TToolRunGuard(QPushButton* start, QProgressBar* bar) : FStart(start), FBar(bar) {
        FStart->setEnabled(false);
    }
    ~TToolRunGuard() {
        if (FStart) FStart->setEnabled(true);
        if (FBar) FBar->setValue(0);
    }
    TToolRunGuard(const TToolRunGuard&) = delete;
    TToolRunGuard& operator=(const TToolRunGuard&) = delete;

private:
    QPointer<QPushButton> FStart;
    QPointer<QProgressBar> FBar;
};

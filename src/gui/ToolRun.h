#pragma once
// What the tool panels share around a run: the progress bar with the file count, the
// current file and a Cancel button beside it, the tag-kind boxes and the guard of the
// start button.

#include "tools/Progress.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

class QLabel;
class TPanelHost;

// Buttons with this property set to true stay usable while a run goes (a list's own
// operations, a run's Cancel); every other button of the tool panels is disabled then.
inline constexpr char kKeepEnabledDuringRun[] = "keepEnabledDuringRun";

// Beside a tool's progress bar: "N / total", the current file's name and a Cancel button
// that stops the run after the current file. It takes the bar's place in the panel's
// layout and holds the bar; made the first time it is asked for.
class TRunStatus : public QWidget {
    Q_OBJECT
public:
    // The status of `bar`, made when missing.
    static TRunStatus* Of(QProgressBar* bar);

    void Begin(); // a run starts: nothing counted yet
    void End();   // the run is over: texts emptied, Cancel unusable
    // The running tool asks whether to stop, so a Cancel click will be heard: Cancel
    // becomes usable. A tool that never asks keeps it unusable.
    void OfferCancel();
    void ShowItem(int number, int total, const QString& path);
    void ShowText(const QString& text);
    bool CancelRequested() const { return FCancelRequested; }
    void RequestCancel();

private:
    explicit TRunStatus(QProgressBar* bar, QWidget* parent);
    void RetranslateUi();
    void Reset(bool running);

    QLabel* FCount;
    QLabel* FCurrent;
    QPushButton* FCancel;
    QString FCurrentText; // unelided
    bool FRunning = false;
    bool FCancelRequested = false;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
};

// A panel's progress bar as a tool's progress; lets the window handle pending events at
// every step so it repaints and stays responsive during the run. The file count, the
// current file and the Cancel button appear beside the bar.
class TBarProgress : public TProgress {
public:
    explicit TBarProgress(QProgressBar* bar) : FBar(bar) {
        FSincePump.start();
        if (bar) FStatus = TRunStatus::Of(bar);
    }
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
    void SetText(const QString& text) override {
        if (FStatus) FStatus->ShowText(text);
    }
    void SetItem(int number, int total, const QString& path) override {
        if (FStatus) FStatus->ShowItem(number, total, path);
    }
    bool Cancelled() const override {
        if (!FStatus) return false;
        FStatus->OfferCancel();
        return FStatus->CancelRequested();
    }

private:
    QPointer<QProgressBar> FBar;
    QPointer<TRunStatus> FStatus;
    QElapsedTimer FSincePump;
};

// A tool panel's bar: 0 to 100, no text, named `name`. Its status (see TRunStatus) is
// put beside it once the panel has placed the bar.
QProgressBar* MakeToolProgressBar(QWidget* parent, const char* name);

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
// enables it again and empties the bar. While it lives, the window keeps the other tools'
// start buttons disabled, and the bar's Cancel button is usable once the tool checks
// TProgress::Cancelled() (as NextItem does before each file).
class TToolRunGuard {
public:
    TToolRunGuard(QPushButton* start, QProgressBar* bar);
    ~TToolRunGuard();
    TToolRunGuard(const TToolRunGuard&) = delete;
    TToolRunGuard& operator=(const TToolRunGuard&) = delete;

private:
    QPointer<QPushButton> FStart;
    QPointer<QProgressBar> FBar;
    QPointer<TRunStatus> FStatus;
    QPointer<QWidget> FWindow; // the host, when the start button sits in one
};

#pragma once

class QLabel;
class QWidget;

// The band at the top (light, or dark under a dark palette) of the main window and the assistant: a
// bold title, a subtitle under it and a 32x32 picture at the right.
struct TTopBand {
    QWidget* Band = nullptr;
    QLabel* Title = nullptr;
    QLabel* Subtitle = nullptr;
    QLabel* Picture = nullptr;
};

TTopBand MakeTopBand(QWidget* parent);

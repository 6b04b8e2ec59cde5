#pragma once

#include <QList>

class QObject;

// Captions and tooltips kept by their source text, so that a language switch can apply
// them again: the texts of buttons, group boxes and labels, or a widget's tooltip.
class TCaptions {
public:
    void Add(QObject* target, const char* text, bool tip = false);
    // Translates every text in `context` (the class whose tr() marked it) and applies it.
    void Apply(const char* context) const;

private:
    struct TCaption {
        QObject* Target;
        const char* Text;
        bool Tip;
    };
    QList<TCaption> FItems;
};

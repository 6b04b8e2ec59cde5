#include "gui/Captions.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>

void TCaptions::Add(QObject* target, const char* text, bool tip) {
    FItems.append({target, text, tip});
}

void TCaptions::Apply(const char* context) const {
    for (const TCaption& c : FItems) {
        const QString text = QCoreApplication::translate(context, c.Text);
        if (c.Tip) {
            if (auto* w = qobject_cast<QWidget*>(c.Target)) w->setToolTip(text);
        } else if (auto* b = qobject_cast<QAbstractButton*>(c.Target)) {
            b->setText(text);
        } else if (auto* g = qobject_cast<QGroupBox*>(c.Target)) {
            g->setTitle(text);
        } else if (auto* l = qobject_cast<QLabel*>(c.Target)) {
            l->setText(text);
        }
    }
}

#include "gui/WheelGuard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>

namespace {

class TWheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Wheel && e->type() != QEvent::Polish) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !(qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w)))
            return false;
        if (e->type() == QEvent::Polish) {
            // A wheel would otherwise give the box the focus first, and then its value.
            if (w->focusPolicy() == Qt::WheelFocus) w->setFocusPolicy(Qt::StrongFocus);
            return false;
        }
        if (w->hasFocus()) return false;
        // Ignored and filtered: the application hands the wheel on to the parents.
        e->ignore();
        return true;
    }
};

} // namespace

void InstallWheelGuard(QObject* owner) {
    qApp->installEventFilter(new TWheelGuard(owner));
}

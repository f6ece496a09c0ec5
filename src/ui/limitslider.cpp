#include "ui/limitslider.h"

#include <QKeyEvent>

#include <algorithm>

namespace ostra::ui {

LimitSlider::LimitSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 100);
    setSingleStep(10);
    setPageStep(10);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(10);
    setFocusPolicy(Qt::StrongFocus);
}

int LimitSlider::keyStep(int value, int direction) {
    // Round to the nearest multiple of 10, a tie going to the even multiple.
    const int tens = value / 10;
    const int rest = value % 10;
    int rounded = tens;
    if (rest > 5 || (rest == 5 && tens % 2 != 0)) rounded = tens + 1;
    return std::clamp(rounded * 10 + (direction < 0 ? -10 : 10), 0, 100);
}

void LimitSlider::keyPressEvent(QKeyEvent* event) {
    const int lo = minimum();
    const int hi = maximum();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        setValue(std::clamp(keyStep(value(), -1), lo, hi));
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        setValue(std::clamp(keyStep(value(), +1), lo, hi));
        break;
    case Qt::Key_Home:
        setValue(lo);
        break;
    case Qt::Key_End:
        setValue(hi);
        break;
    default:
        QSlider::keyPressEvent(event);
        return;
    }
    event->accept();
}

}  // namespace ostra::ui

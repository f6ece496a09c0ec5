#include "ui/twostateswitch.h"

#include "ui/accessibility.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostra::ui {

TwoStateSwitch::TwoStateSwitch(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

void TwoStateSwitch::setOn(bool on) {
    if (on == m_on) return;
    m_on = on;
    update();
    a11y::checkedChanged(this);
}

QSize TwoStateSwitch::sizeHint() const { return {25, 40}; }

void TwoStateSwitch::flip() {
    m_on = !m_on;
    update();
    a11y::checkedChanged(this);
    emit toggled(m_on);
}

void TwoStateSwitch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    flip();
}

void TwoStateSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool click = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) emit clicked();
}

void TwoStateSwitch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) flip();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TwoStateSwitch::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void TwoStateSwitch::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void TwoStateSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal w = body.width();
    const qreal h = body.height();
    const qreal radius = std::min(w, h) * 0.18;

    // Housing.
    QLinearGradient housing(body.topLeft(), body.topRight());
    housing.setColorAt(0.0, QColor(104, 112, 124));
    housing.setColorAt(0.5, QColor(76, 83, 94));
    housing.setColorAt(1.0, QColor(52, 57, 66));
    p.setPen(QPen(hasFocus() ? palette().color(QPalette::Highlight) : QColor(28, 31, 36), 1.0));
    p.setBrush(housing);
    p.drawRoundedRect(body, radius, radius);

    // Slot: the lit part shows green when on, dark red when off.
    const qreal slotW = std::max(4.0, std::round(w * 0.48));
    const qreal inset = std::max(2.0, std::round(std::min(w, h) * 0.14));
    const QRectF slot(std::round(body.center().x() - slotW / 2.0), body.top() + inset, slotW, h - 2 * inset);
    p.setPen(QPen(QColor(14, 15, 18), 1.0));
    p.setBrush(m_on ? QColor(0, 210, 70) : QColor(120, 24, 24));
    p.drawRoundedRect(slot, slotW * 0.25, slotW * 0.25);

    // Lever: the upper half of the slot when on, the lower half when off.
    const qreal leverH = slot.height() * 0.52;
    const QRectF lever(slot.left() - 1.0, m_on ? slot.top() - 1.0 : slot.bottom() - leverH + 1.0,
                       slot.width() + 2.0, leverH);
    QLinearGradient metal(lever.topLeft(), lever.bottomLeft());
    metal.setColorAt(0.0, QColor(246, 247, 249));
    metal.setColorAt(0.5, QColor(200, 205, 212));
    metal.setColorAt(1.0, QColor(150, 156, 166));
    p.setPen(QPen(QColor(40, 44, 50), 1.0));
    p.setBrush(metal);
    p.drawRoundedRect(lever, 2.0, 2.0);
    // Grip lines across the lever.
    p.setPen(QPen(QColor(110, 116, 126), 1.0));
    const qreal gx0 = lever.left() + 2.5;
    const qreal gx1 = lever.right() - 2.5;
    for (int i = -1; i <= 1; ++i) {
        const qreal y = std::round(lever.center().y() + i * std::max(2.0, leverH / 6.0)) + 0.5;
        p.drawLine(QPointF(gx0, y), QPointF(gx1, y));
    }
}

}  // namespace ostra::ui

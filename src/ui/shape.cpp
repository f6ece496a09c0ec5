#include "ui/shape.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>

namespace ostra::ui {

Shape::Shape(Form form, QWidget* parent) : QWidget(parent), m_form(form) {}

void Shape::setBrushColor(const QColor& c) {
    if (c == m_brush) return;
    m_brush = c;
    update();
}

void Shape::setPenColor(const QColor& c) {
    if (c == m_pen) return;
    m_pen = c;
    update();
}

void Shape::setPenWidth(int w) {
    w = std::max(0, w);
    if (w == m_penWidth) return;
    m_penWidth = w;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const int pw = m_pen.alpha() ? std::min({m_penWidth, r.width() / 2, r.height() / 2}) : 0;

    if (m_form == Form::RoundRect) {
        p.setRenderHint(QPainter::Antialiasing, true);
        const qreal radius = std::min(r.width(), r.height()) / 4.0;
        const qreal half = pw / 2.0;
        const QRectF box = QRectF(r).adjusted(half, half, -half, -half);
        p.setPen(pw > 0 ? QPen(m_pen, pw) : QPen(Qt::NoPen));
        p.setBrush(m_brush);
        p.drawRoundedRect(box, radius, radius);
        return;
    }

    // Rectangles are filled band by band on whole pixels: sharp at any
    // device pixel ratio.
    const QRect inner = r.adjusted(pw, pw, -pw, -pw);
    if (pw > 0) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), pw), m_pen);
        p.fillRect(QRect(r.left(), r.bottom() - pw + 1, r.width(), pw), m_pen);
        p.fillRect(QRect(r.left(), r.top() + pw, pw, r.height() - 2 * pw), m_pen);
        p.fillRect(QRect(r.right() - pw + 1, r.top() + pw, pw, r.height() - 2 * pw), m_pen);
    }
    if (m_form == Form::Rectangle && !inner.isEmpty()) p.fillRect(inner, m_brush);
}

Diamond::Diamond(QWidget* parent) : QWidget(parent) {}

void Diamond::setColor(const QColor& c) {
    if (c == m_color) return;
    m_color = c;
    update();
}

void Diamond::setFillColor(const QColor& c) {
    if (c == m_fill) return;
    m_fill = c;
    update();
}

void Diamond::setLineWidth(qreal w) {
    w = std::max<qreal>(0.0, w);
    if (qFuzzyCompare(w + 1.0, m_lineWidth + 1.0)) return;
    m_lineWidth = w;
    update();
}

void Diamond::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal inset = m_lineWidth / 2.0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const QPolygonF rhombus{QPointF(box.center().x(), box.top()), QPointF(box.right(), box.center().y()),
                            QPointF(box.center().x(), box.bottom()), QPointF(box.left(), box.center().y())};
    p.setBrush(m_fill);
    p.setPen(m_lineWidth > 0 ? QPen(m_color, m_lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                             : QPen(Qt::NoPen));
    p.drawPolygon(rhombus);
    // A thin light inner line gives the outline some relief.
    if (m_lineWidth >= 2.0) {
        const qreal in = m_lineWidth * 0.9;
        const QRectF innerBox = box.adjusted(in, in, -in, -in);
        if (innerBox.width() > 2 && innerBox.height() > 2) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(255, 255, 255, 120), 1.0));
            p.drawPolygon(QPolygonF{QPointF(innerBox.center().x(), innerBox.top()),
                                    QPointF(innerBox.right(), innerBox.center().y()),
                                    QPointF(innerBox.center().x(), innerBox.bottom()),
                                    QPointF(innerBox.left(), innerBox.center().y())});
        }
    }
}

}  // namespace ostra::ui

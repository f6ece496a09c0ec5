#include "ui/gauge.h"

#include "ui/accessibility.h"
#include "ui/sevensegment.h"
#include "ui/textfit.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostra::ui {

namespace {

// Text colour that reads well on `background`.
QColor contrastOn(const QColor& background) {
    return qGray(background.rgb()) < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

}  // namespace

Gauge::Gauge(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind), m_showText(kind != Kind::Pie) {
    // The bar covers its whole rectangle; the round looks leave their
    // corners to whatever lies behind them.
    setAttribute(Qt::WA_OpaquePaintEvent, kind == Kind::Bar);
}

void Gauge::setProgress(int v) {
    v = std::clamp(v, 0, m_max);
    if (v == m_progress) return;
    m_progress = v;
    update();
    announceProgress();
}

void Gauge::setMaxValue(int m) {
    m = std::max(1, m);
    if (m == m_max) return;
    m_max = m;
    m_progress = std::min(m_progress, m_max);
    update();
    announceProgress();
}

void Gauge::announceProgress() {
    if (m_announcePending) return;
    // The window steps a re-fill through every point in one go: one word
    // for the value it ends on, none when it ends where it began.
    m_announcePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcePending = false;
            if (m_progress == m_announced) return;
            m_announced = m_progress;
            a11y::valueChanged(this, m_progress);
        },
        Qt::QueuedConnection);
}

int Gauge::percentDone() const { return static_cast<int>(static_cast<qint64>(m_progress) * 100 / m_max); }

void Gauge::setBackColor(const QColor& c) {
    if (c == m_back) return;
    m_back = c;
    invalidateCaches();
    update();
}

void Gauge::setForeColor(const QColor& c) {
    if (c == m_fore) return;
    m_fore = c;
    update();
}

void Gauge::setShowText(bool on) {
    if (on == m_showText) return;
    m_showText = on;
    update();
}

void Gauge::setBorder(bool on) {
    if (on == m_border) return;
    m_border = on;
    invalidateCaches();
    update();
}

void Gauge::setBorderColor(const QColor& c) {
    if (c == m_borderColor) return;
    m_borderColor = c;
    invalidateCaches();
    update();
}

void Gauge::repaintNow() { repaint(); }

QSize Gauge::sizeHint() const {
    switch (m_kind) {
    case Kind::Bar:
        return {120, 19};
    case Kind::Pie:
        return {33, 33};
    case Kind::Needle:
        return {71, 42};
    }
    return {50, 20};
}

QSize Gauge::minimumSizeHint() const { return {8, 8}; }

void Gauge::resizeEvent(QResizeEvent* event) {
    invalidateCaches();
    QWidget::resizeEvent(event);
}

void Gauge::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) invalidateCaches();
    QWidget::changeEvent(event);
}

void Gauge::invalidateCaches() {
    m_textFontValid = false;
    m_face = QPixmap();
}

QString Gauge::percentText() const { return QString::number(percentDone()) + QLatin1Char('%'); }

void Gauge::paintCentredText(QPainter& p, const QRect& area, const QColor& colour) {
    if (!m_textFontValid) {
        // The widest text the gauge shows must fit (once per size or font).
        m_textFont = fittedFont(font(), QStringLiteral("100%"), std::max(4, area.width() - 2),
                                std::max(4, area.height() + 2));
        m_textFontValid = true;
    }
    p.setFont(m_textFont);
    p.setPen(colour);
    p.drawText(area, Qt::AlignCenter, percentText());
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    switch (m_kind) {
    case Kind::Bar:
        paintBar(p);
        break;
    case Kind::Pie:
        paintPie(p);
        break;
    case Kind::Needle:
        paintNeedle(p, segments::painterDpr(p));
        break;
    }
}

void Gauge::paintBar(QPainter& p) {
    QRect inner = rect();
    if (m_border) {
        p.fillRect(inner, m_borderColor);
        inner.adjust(1, 1, -1, -1);
    }
    if (inner.isEmpty()) return;
    // Whole logical pixels: the edge between fill and background is sharp.
    const int fillWidth = static_cast<int>(static_cast<qint64>(inner.width()) * m_progress / m_max);
    const QRect filled(inner.left(), inner.top(), fillWidth, inner.height());
    const QRect empty(inner.left() + fillWidth, inner.top(), inner.width() - fillWidth, inner.height());
    if (!filled.isEmpty()) p.fillRect(filled, m_fore);
    if (!empty.isEmpty()) p.fillRect(empty, m_back);

    if (!m_showText) return;
    // The text takes the colour that reads on whatever lies under each part.
    if (!filled.isEmpty()) {
        p.save();
        p.setClipRect(filled);
        paintCentredText(p, inner, contrastOn(m_fore));
        p.restore();
    }
    if (!empty.isEmpty()) {
        p.save();
        p.setClipRect(empty);
        paintCentredText(p, inner, contrastOn(m_back));
        p.restore();
    }
}

void Gauge::paintPie(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(m_back);
    p.drawEllipse(box);
    if (m_progress > 0) {
        p.setBrush(m_fore);
        if (m_progress >= m_max) {
            p.drawEllipse(box);
        } else {
            // Clockwise from twelve o'clock; Qt angles are 1/16 degree,
            // counter-clockwise positive.
            const int span = -static_cast<int>(std::lround(5760.0 * m_progress / m_max));
            p.drawPie(box, 90 * 16, span);
        }
    }
    if (m_border) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(m_borderColor, 1.0));
        p.drawEllipse(box);
    }
    if (m_showText) paintCentredText(p, rect(), contrastOn(m_progress * 2 >= m_max ? m_fore : m_back));
}

const QPixmap& Gauge::needleFace(qreal dpr) {
    if (!m_face.isNull() && qFuzzyCompare(m_face.devicePixelRatio(), dpr)) return m_face;
    const QSize logical = size();
    m_face = QPixmap((QSizeF(logical) * dpr).toSize());
    m_face.setDevicePixelRatio(dpr);
    m_face.fill(Qt::transparent);
    QPainter p(&m_face);
    p.setRenderHint(QPainter::Antialiasing, true);

    const qreal w = logical.width();
    const qreal h = logical.height();
    const QPointF c(w / 2.0, h - 1.0);
    const qreal r = std::max(2.0, std::min(w / 2.0 - 1.0, h - 2.0));
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);

    QPainterPath half;
    half.moveTo(c);
    half.arcTo(circle, 0, 180);
    half.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(m_back);
    p.drawPath(half);

    // Scale marks at every quarter.
    const QColor mark = contrastOn(m_back);
    p.setPen(QPen(mark, std::max(1.0, r / 24.0), Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i <= 4; ++i) {
        const qreal a = std::numbers::pi * (1.0 - i / 4.0);
        const QPointF dir(std::cos(a), -std::sin(a));
        p.drawLine(c + dir * (r - std::max(2.0, r * 0.16)), c + dir * (r - 1.0));
    }
    if (m_border) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(m_borderColor, 1.0));
        p.drawPath(half);
    }
    return m_face;
}

void Gauge::paintNeedle(QPainter& p, qreal dpr) {
    p.drawPixmap(0, 0, needleFace(dpr));
    const qreal w = width();
    const qreal h = height();
    const QPointF c(w / 2.0, h - 1.0);
    const qreal r = std::max(2.0, std::min(w / 2.0 - 1.0, h - 2.0));

    if (m_showText) {
        QRect textArea(0, static_cast<int>(h - 1.0 - r * 0.78), width(), static_cast<int>(r * 0.45));
        textArea = textArea.intersected(rect());
        paintCentredText(p, textArea, contrastOn(m_back));
    }

    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal a = std::numbers::pi * (1.0 - static_cast<qreal>(m_progress) / m_max);
    const QPointF tip = c + QPointF(std::cos(a), -std::sin(a)) * (r - 2.0);
    p.setPen(QPen(m_fore, std::max(1.5, r / 14.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, tip);
    p.setPen(Qt::NoPen);
    p.setBrush(m_fore);
    const qreal hub = std::max(1.5, r / 9.0);
    p.drawEllipse(c, hub, hub);
}

}  // namespace ostra::ui

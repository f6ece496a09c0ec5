#include "ui/stopwatchdisplay.h"

#include "ui/accessibility.h"
#include "ui/sevensegment.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostra::ui {

StopwatchDisplay::StopwatchDisplay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void StopwatchDisplay::setSeconds(qint64 s) {
    if (s == m_seconds) return;
    const QString before = text();
    m_seconds = s;
    update();
    a11y::textChanged(this, before, text());
}

QString StopwatchDisplay::text() const {
    const qint64 day = ((m_seconds % 86400) + 86400) % 86400;
    const auto two = [](qint64 v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return two(day / 3600) + QLatin1Char(':') + two(day / 60 % 60) + QLatin1Char(':') + two(day % 60);
}

void StopwatchDisplay::setLitColor(const QColor& c) {
    m_lit = c;
    update();
}

void StopwatchDisplay::setUnlitColor(const QColor& c) {
    m_unlit = c;
    update();
}

void StopwatchDisplay::setBackColor(const QColor& c) {
    m_back = c;
    update();
}

QSize StopwatchDisplay::sizeHint() const { return {64, 16}; }

void StopwatchDisplay::paintOnScreen(Presenter present) {
    m_present = std::move(present);
    setAttribute(Qt::WA_NativeWindow, static_cast<bool>(m_present));
    setAttribute(Qt::WA_PaintOnScreen, static_cast<bool>(m_present));
}

QPaintEngine* StopwatchDisplay::paintEngine() const { return m_present ? nullptr : QWidget::paintEngine(); }

void StopwatchDisplay::paintEvent(QPaintEvent*) {
    if (m_present) {
        const qreal dpr = devicePixelRatioF();
        // Whole device pixels: the window may be a pixel larger than the
        // display's scaled size at a fractional scale.
        const QSize pixels(static_cast<int>(std::ceil(width() * dpr)),
                           static_cast<int>(std::ceil(height() * dpr)));
        if (pixels.isEmpty()) return;
        if (m_frame.size() != pixels) m_frame = QImage(pixels, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(dpr);
        m_frame.fill(m_back);
        {
            QPainter p(&m_frame);
            paintDisplay(p);
        }
        if (m_present(this, m_frame)) return;
        m_present = nullptr;
        m_frame = QImage();
        setAttribute(Qt::WA_PaintOnScreen, false);
        update();
        return;
    }
    QPainter p(this);
    paintDisplay(p);
}

void StopwatchDisplay::paintDisplay(QPainter& p) {
    const qreal dpr = segments::painterDpr(p);
    p.fillRect(rect(), m_back);

    const QString shown = text();
    const qreal margin = std::max(1.0, std::floor(height() / 8.0));
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    if (area.width() <= 0 || area.height() <= 0) return;
    // Six digit cells and two colon cells of half a digit's width.
    const qreal gap = 1.0;
    const qreal units = 6.0 + 2 * 0.5;
    qreal digitWidth = (area.width() - gap * (shown.size() - 1)) / units;
    digitWidth = std::min(digitWidth, area.height() * 0.62);
    if (digitWidth <= 0) return;
    const qreal colonWidth = digitWidth * 0.5;
    const qreal total = units * digitWidth + gap * (shown.size() - 1);
    qreal x = area.left() + (area.width() - total) / 2.0;
    for (QChar ch : shown) {
        if (ch == QLatin1Char(':')) {
            segments::paintColon(p, QRectF(x, area.top(), colonWidth, area.height()), area.height(), m_lit, dpr);
            x += colonWidth + gap;
        } else {
            segments::paintCell(p, QRectF(x, area.top(), digitWidth, area.height()), segments::charMask(ch), m_lit,
                                m_unlit, dpr);
            x += digitWidth + gap;
        }
    }
}

}  // namespace ostra::ui

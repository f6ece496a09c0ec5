#include "ui/sevensegment.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostra::ui::segments {

namespace {

constexpr int kDigitMasks[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

qreal snap(qreal v, qreal dpr) { return std::round(v * dpr) / dpr; }

}  // namespace

int digitMask(int digit) { return (digit >= 0 && digit <= 9) ? kDigitMasks[digit] : kBlank; }

int charMask(QChar c) {
    if (c.isDigit()) return digitMask(c.digitValue());
    if (c == QLatin1Char('-')) return kMinus;
    return kBlank;
}

qreal strokeFor(qreal cellWidth, qreal cellHeight, qreal dpr) {
    const qreal raw = std::min(cellWidth, cellHeight) * 0.19;
    // At least one device pixel, always a whole number of device pixels.
    return std::max<qreal>(1.0, std::round(raw * dpr)) / dpr;
}

qreal painterDpr(const QPainter& p) {
    if (const QPaintEngine* engine = p.paintEngine())
        if (const QPaintDevice* dev = engine->paintDevice()) return dev->devicePixelRatio();
    if (const QPaintDevice* dev = p.device()) return dev->devicePixelRatio();
    return 1.0;
}

void paintCell(QPainter& p, const QRectF& cell, int mask, const QColor& lit, const QColor& unlit, qreal dpr) {
    if (cell.width() <= 0 || cell.height() <= 0) return;
    const qreal t = strokeFor(cell.width(), cell.height(), dpr);
    const qreal x0 = snap(cell.left(), dpr);
    const qreal x1 = snap(cell.right(), dpr);
    const qreal y0 = snap(cell.top(), dpr);
    const qreal y1 = snap(cell.bottom(), dpr);
    const qreal ym = snap((y0 + y1 - t) / 2.0, dpr);

    // Horizontal segments span between the verticals and the verticals
    // between the horizontals, which leaves the corners empty and gives the
    // segments their separated look.
    const QRectF seg[7] = {
        QRectF(QPointF(x0 + t, y0), QPointF(x1 - t, y0 + t)),  // a
        QRectF(QPointF(x1 - t, y0 + t), QPointF(x1, ym)),      // b
        QRectF(QPointF(x1 - t, ym + t), QPointF(x1, y1 - t)),  // c
        QRectF(QPointF(x0 + t, y1 - t), QPointF(x1 - t, y1)),  // d
        QRectF(QPointF(x0, ym + t), QPointF(x0 + t, y1 - t)),  // e
        QRectF(QPointF(x0, y0 + t), QPointF(x0 + t, ym)),      // f
        QRectF(QPointF(x0 + t, ym), QPointF(x1 - t, ym + t)),  // g
    };
    const bool drawUnlit = unlit.alpha() != 0;
    for (int i = 0; i < 7; ++i) {
        const bool on = (mask >> i) & 1;
        if (on)
            p.fillRect(seg[i], lit);
        else if (drawUnlit)
            p.fillRect(seg[i], unlit);
    }
}

void paintColon(QPainter& p, const QRectF& cell, qreal digitHeight, const QColor& colour, qreal dpr) {
    const qreal t = strokeFor(cell.width() * 2.0, digitHeight, dpr);
    const qreal x = snap(cell.center().x() - t / 2.0, dpr);
    const qreal yA = snap(cell.top() + cell.height() * 0.30 - t / 2.0, dpr);
    const qreal yB = snap(cell.top() + cell.height() * 0.70 - t / 2.0, dpr);
    p.fillRect(QRectF(x, yA, t, t), colour);
    p.fillRect(QRectF(x, yB, t, t), colour);
}

}  // namespace ostra::ui::segments

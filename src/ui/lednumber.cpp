#include "ui/lednumber.h"

#include "ui/accessibility.h"
#include "ui/sevensegment.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostra::ui {

LedNumber::LedNumber(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent, true); }

void LedNumber::setValue(int v) {
    if (v == m_value) return;
    const QString before = QString::number(m_value);
    m_value = v;
    update();
    a11y::textChanged(this, before, QString::number(m_value));
}

void LedNumber::setDigits(int n) {
    n = std::max(1, n);
    if (n == m_digits) return;
    m_digits = n;
    update();
}

void LedNumber::setLitColor(const QColor& c) {
    m_lit = c;
    update();
}

void LedNumber::setUnlitColor(const QColor& c) {
    m_unlit = c;
    update();
}

void LedNumber::setBackColor(const QColor& c) {
    m_back = c;
    update();
}

QString LedNumber::displayText() const {
    const QString number = QString::number(m_value);
    return number.rightJustified(std::max<qsizetype>(m_digits, number.size()), QLatin1Char(' '));
}

QSize LedNumber::sizeHint() const {
    const int cells = static_cast<int>(displayText().size());
    return {cells * 10 + 4, 18};
}

void LedNumber::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal dpr = segments::painterDpr(p);
    p.fillRect(rect(), m_back);

    const QString text = displayText();
    const int cells = static_cast<int>(text.size());
    // Margin and gaps scale with the height, one pixel at the least.
    const qreal margin = std::max(1.0, std::floor(height() / 8.0));
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    if (area.width() <= 0 || area.height() <= 0) return;
    const qreal gap = std::max(1.0, std::round(area.height() / 8.0));
    qreal cellWidth = (area.width() - gap * (cells - 1)) / cells;
    cellWidth = std::min(cellWidth, area.height() * 0.62);
    if (cellWidth <= 0) return;
    const qreal total = cells * cellWidth + (cells - 1) * gap;
    qreal x = area.right() - total;  // right-aligned like a counter
    for (QChar ch : text) {
        segments::paintCell(p, QRectF(x, area.top(), cellWidth, area.height()), segments::charMask(ch), m_lit,
                            m_unlit, dpr);
        x += cellWidth + gap;
    }
}

}  // namespace ostra::ui

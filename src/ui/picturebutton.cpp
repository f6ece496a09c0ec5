#include "ui/picturebutton.h"

#include "ui/textfit.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace ostra::ui {

PictureButton::PictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setAttribute(Qt::WA_Hover, true);
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::setGlyph(Glyph glyph) {
    if (glyph == m_glyph) return;
    m_glyph = glyph;
    update();
}

QSize PictureButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 44, std::max(22, fm.height() + 8)};
}

void PictureButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const bool enabled = isEnabled();
    const bool down = isDown() || isChecked();
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(plate.height() * 0.3, 6.0);

    QColor top(92, 164, 255);
    QColor bottom(0, 82, 196);
    if (!enabled) {
        top = QColor(214, 218, 224);
        bottom = QColor(160, 166, 176);
    } else if (down) {
        top = QColor(0, 70, 170);
        bottom = QColor(40, 120, 230);
    } else if (m_hover) {
        top = top.lighter(112);
        bottom = bottom.lighter(118);
    }
    QLinearGradient shade(plate.topLeft(), plate.bottomLeft());
    shade.setColorAt(0.0, top);
    shade.setColorAt(1.0, bottom);
    p.setPen(QPen(enabled ? QColor(0, 44, 110) : QColor(130, 134, 140), 1.0));
    p.setBrush(shade);
    p.drawRoundedRect(plate, radius, radius);
    // Gloss along the upper edge.
    p.setPen(QPen(QColor(255, 255, 255, down ? 40 : 110), 1.0));
    p.drawLine(QPointF(plate.left() + radius, plate.top() + 1.0),
               QPointF(plate.right() - radius, plate.top() + 1.0));

    const int shift = down ? 1 : 0;
    const int side = std::clamp(height() - 6, 10, 28);
    const int pictureLeft = 4 + shift;
    if (m_glyph != Glyph::None)
        paintGlyph(p, m_glyph, QRectF(pictureLeft, (height() - side) / 2.0 + shift, side, side), enabled);

    QFont bold = font();
    bold.setBold(true);
    const int textLeft = m_glyph != Glyph::None ? pictureLeft + side + 3 : 4 + shift;
    p.setFont(fittedFont(bold, text(), width() - textLeft - 3, height()));
    p.setPen(enabled ? QColor(Qt::white) : QColor(90, 94, 100));
    p.drawText(QRect(textLeft, shift, width() - textLeft - 3, height()), Qt::AlignCenter | Qt::TextShowMnemonic,
               text());

    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(255, 255, 255, 170), 1.0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -3.5, -3.5), radius * 0.6, radius * 0.6);
    }
}

}  // namespace ostra::ui

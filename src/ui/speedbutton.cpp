#include "ui/speedbutton.h"

#include "ui/textfit.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace ostra::ui {

SpeedButton::SpeedButton(Glyph glyph, const QString& hint, QWidget* parent)
    : QAbstractButton(parent), m_glyph(glyph) {
    setToolTip(hint);
    setAccessibleName(hint);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, true);
}

void SpeedButton::setGlyph(Glyph glyph) {
    if (glyph == m_glyph) return;
    m_glyph = glyph;
    update();
}

void SpeedButton::setToggle(bool on) { setCheckable(on); }

void SpeedButton::setCaption(const QString& caption) {
    setText(caption);
    if (!caption.isEmpty()) setAccessibleName(caption);
    updateGeometry();
    update();
}

QSize SpeedButton::sizeHint() const {
    if (text().isEmpty()) return {21, 19};
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 20 + 18, std::max(25, fm.height() + 12)};
}

QSize SpeedButton::minimumSizeHint() const { return text().isEmpty() ? QSize(8, 8) : sizeHint(); }

void SpeedButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SpeedButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SpeedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QPalette& pal = palette();
    const bool sunken = isDown() || isChecked();
    const bool enabled = isEnabled();

    // Flat until hovered or pressed: a raised or sunken one-pixel bevel.
    if (sunken) {
        p.fillRect(r, pal.color(QPalette::Button).darker(112));
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), pal.color(QPalette::Dark));
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), pal.color(QPalette::Light));
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), pal.color(QPalette::Light));
    } else if (m_hover && enabled) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), pal.color(QPalette::Light));
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), pal.color(QPalette::Light));
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), pal.color(QPalette::Dark));
    }

    const int shift = sunken ? 1 : 0;
    const QString caption = text();
    if (caption.isEmpty()) {
        const int small = std::min(r.width(), r.height());
        const int side = std::max(4, small - (small < 16 ? 2 : 4));
        QRectF box(0, 0, side, side);
        box.moveCenter(QRectF(r).center() + QPointF(shift, shift));
        paintGlyph(p, m_glyph, box, enabled);
    } else {
        const int side = std::clamp(r.height() - 10, 8, 20);
        const int gap = 5;
        const int glyphPart = m_glyph == Glyph::None ? 0 : side + gap;
        const QFont f = fittedFont(font(), caption, std::max(8, r.width() - 6 - glyphPart), r.height());
        p.setFont(f);
        const QFontMetrics fm(f);
        const int content = glyphPart + fm.horizontalAdvance(caption);
        int x = std::max(r.left() + 3, r.left() + (r.width() - content) / 2) + shift;
        if (m_glyph != Glyph::None) {
            paintGlyph(p, m_glyph, QRectF(x, r.top() + (r.height() - side) / 2.0 + shift, side, side), enabled);
            x += side + gap;
        }
        p.setPen(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(QRect(x, r.top() + shift, r.right() + 1 - x, r.height()),
                   Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, caption);
    }

    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = r.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

}  // namespace ostra::ui

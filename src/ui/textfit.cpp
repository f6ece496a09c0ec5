#include "ui/textfit.h"

#include <QFontInfo>
#include <QFontMetrics>

namespace ostra::ui {

QFont fittedFont(const QFont& base, const QString& text, int maxWidth, int maxHeight) {
    const auto fits = [&](const QFont& f) {
        const QFontMetrics fm(f);
        return fm.horizontalAdvance(text) <= maxWidth && fm.ascent() + fm.descent() <= maxHeight;
    };
    QFont font = base;
    if (fits(font)) return font;
    int px = QFontInfo(font).pixelSize();
    do {
        font.setPixelSize(--px);
    } while (px > 6 && !fits(font));
    return font;
}

}  // namespace ostra::ui

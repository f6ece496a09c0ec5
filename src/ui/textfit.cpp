#include "ui/textfit.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>

namespace ostra::ui {

int largestFitting(int lo, int hi, int guess, const std::function<bool(int)>& fits) {
    if (hi <= lo || fits(hi)) return hi;
    int v = std::clamp(guess, lo, hi - 1);
    if (fits(v)) {
        while (v + 1 < hi && fits(v + 1)) ++v;
        return v;
    }
    while (v > lo && !fits(v - 1)) --v;
    return std::max(lo, v - 1);
}

QFont fittedFont(const QFont& base, const QString& text, int maxWidth, int maxHeight) {
    const QFontMetrics baseMetrics(base);
    const int width = baseMetrics.horizontalAdvance(text);
    const int height = baseMetrics.ascent() + baseMetrics.descent();
    if (width <= maxWidth && height <= maxHeight) return base;
    // Widths and heights grow about in step with the pixel size.
    const int px = QFontInfo(base).pixelSize();
    int guess = px - 1;
    if (width > maxWidth) guess = std::min(guess, px * maxWidth / std::max(1, width));
    if (height > maxHeight) guess = std::min(guess, px * maxHeight / std::max(1, height));
    QFont font = base;
    const int size = largestFitting(6, px - 1, guess, [&](int candidate) {
        font.setPixelSize(candidate);
        const QFontMetrics fm(font);
        return fm.horizontalAdvance(text) <= maxWidth && fm.ascent() + fm.descent() <= maxHeight;
    });
    font.setPixelSize(size);
    return font;
}

}  // namespace ostra::ui

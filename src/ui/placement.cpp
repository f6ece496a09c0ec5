#include "ui/placement.h"

#include <algorithm>
#include <array>
#include <limits>

namespace ostra::ui {

namespace {

// `pos` along one axis moved as little as needed to keep [pos, pos + size)
// within [low, high); the low end wins when it cannot fit.
int clampInto(int pos, int size, int low, int high) { return std::max(low, std::min(pos, high - size)); }

}  // namespace

QRect besideOf(const QRect& window, const QRect& keepClear, const QRect& screen, const QSize& minimum, int gap) {
    if (!window.intersects(keepClear)) return window;
    // The room on each side of `keepClear`, the gap left out.
    const std::array<QRect, 4> sides{
        QRect(QPoint(screen.left(), keepClear.bottom() + 1 + gap), screen.bottomRight()),  // below
        QRect(screen.topLeft(), QPoint(screen.right(), keepClear.top() - 1 - gap)),        // above
        QRect(QPoint(keepClear.right() + 1 + gap, screen.top()), screen.bottomRight()),    // right
        QRect(screen.topLeft(), QPoint(keepClear.left() - 1 - gap, screen.bottom())),      // left
    };
    // The window in a side: as near to where it is as the side allows, no
    // larger than the side.
    const auto placedIn = [&window](const QRect& side) {
        const int w = std::min(window.width(), side.width());
        const int h = std::min(window.height(), side.height());
        return QRect(clampInto(window.x(), w, side.left(), side.right() + 1),
                     clampInto(window.y(), h, side.top(), side.bottom() + 1), w, h);
    };
    QRect best;
    long long bestDistance = std::numeric_limits<long long>::max();
    long long bestArea = -1;
    for (const QRect& side : sides) {
        if (side.isEmpty()) continue;
        const QRect r = placedIn(side);
        if (r.width() < minimum.width() || r.height() < minimum.height()) continue;
        const long long area = (long long)r.width() * r.height();
        const long long dx = r.x() - window.x();
        const long long dy = r.y() - window.y();
        const long long distance = dx * dx + dy * dy;
        // The largest window first (the whole one where it fits), then the
        // nearest.
        if (area > bestArea || (area == bestArea && distance < bestDistance)) {
            best = r;
            bestArea = area;
            bestDistance = distance;
        }
    }
    if (bestArea >= 0) return best;
    const int w = window.width();
    const int h = window.height();
    return {clampInto(window.x(), w, screen.left(), screen.right() + 1),
            clampInto(keepClear.top() - gap - h, h, screen.top(), screen.bottom() + 1), w, h};
}

}  // namespace ostra::ui

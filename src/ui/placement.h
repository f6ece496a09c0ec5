// Where to put a window so that it leaves another one clear.
#pragma once

#include <QRect>
#include <QSize>

namespace ostra::ui {

// The frame geometry for `window` (a frame geometry) that keeps it off
// `keepClear` within `screen`: where it is when they do not overlap, else
// the nearest place beside `keepClear` (below, above, right or left of it,
// `gap` pixels away) where the whole window fits on the screen. When it
// fits nowhere whole, it is made as much smaller (not below `minimum`) as
// the roomiest of the four sides needs; when not even that fits, it keeps
// its size and goes above `keepClear` as far as the screen allows.
QRect besideOf(const QRect& window, const QRect& keepClear, const QRect& screen, const QSize& minimum,
               int gap = 8);

}  // namespace ostra::ui

// Seven-segment digit painting shared by the LED number and the stopwatch
// display. Segments are axis-aligned rectangles snapped to the device pixel
// grid, so the digits stay sharp at any integer device pixel ratio.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace ostra::ui::segments {

// Segment bits: a (top) = 0, b (top right) = 1, c (bottom right) = 2,
// d (bottom) = 3, e (bottom left) = 4, f (top left) = 5, g (middle) = 6.
constexpr int kBlank = 0;
constexpr int kMinus = 1 << 6;

// Segment mask of a decimal digit 0..9.
int digitMask(int digit);

// Mask of a character: '0'..'9', '-' or anything else as blank.
int charMask(QChar c);

// Paints one cell: lit segments in `lit`, the others in `unlit` (skipped
// when transparent). `dpr` is the device pixel ratio of the target.
void paintCell(QPainter& p, const QRectF& cell, int mask, const QColor& lit, const QColor& unlit, qreal dpr);

// Paints a colon (two square dots) centred in `cell`; the dots take the
// stroke thickness that a digit cell of height `digitHeight` would use.
void paintColon(QPainter& p, const QRectF& cell, qreal digitHeight, const QColor& colour, qreal dpr);

// Stroke thickness used for a digit cell of the given size.
qreal strokeFor(qreal cellWidth, qreal cellHeight, qreal dpr);

// Device pixel ratio of whatever the painter is drawing on (the widget's
// backing store, or an image when the widget is rendered elsewhere).
qreal painterDpr(const QPainter& p);

}  // namespace ostra::ui::segments

// Shrinking a font until a text fits a box.
#pragma once

#include <QFont>
#include <QString>

#include <functional>

namespace ostra::ui {

// `base`, or a smaller pixel size of it (down to 6 pixels), such that `text`
// is at most maxWidth wide and its line at most maxHeight high.
QFont fittedFont(const QFont& base, const QString& text, int maxWidth, int maxHeight);

// The largest value in [lo, hi] that `fits` (a test that holds up to some
// value and fails above it), or `lo` when none does. `hi` is tried first,
// then the values next to `guess`: every font size or stretch tried leaves a
// font engine in Qt's cache for good, so the fewer the better.
int largestFitting(int lo, int hi, int guess, const std::function<bool(int)>& fits);

}  // namespace ostra::ui

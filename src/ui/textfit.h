// Shrinking a font until a text fits a box.
#pragma once

#include <QFont>
#include <QString>

namespace ostra::ui {

// `base`, or a smaller pixel size of it (down to 6 pixels), such that `text`
// is at most maxWidth wide and its line at most maxHeight high.
QFont fittedFont(const QFont& base, const QString& text, int maxWidth, int maxHeight);

}  // namespace ostra::ui

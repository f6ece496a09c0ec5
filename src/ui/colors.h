// The design palette: the sixteen standard colours the windows are drawn
// with, and the panel colours the warning blinks between.
#pragma once

#include <QColor>

namespace ostra::ui {

inline const QColor kBlack{0, 0, 0};
inline const QColor kNavy{0, 0, 128};
inline const QColor kGreen{0, 128, 0};
inline const QColor kPurple{128, 0, 128};
inline const QColor kGrey{128, 128, 128};
inline const QColor kSilver{192, 192, 192};
inline const QColor kRed{255, 0, 0};
inline const QColor kLime{0, 255, 0};
inline const QColor kYellow{255, 255, 0};
inline const QColor kBlue{0, 0, 255};
inline const QColor kFuchsia{255, 0, 255};
inline const QColor kAqua{0, 255, 255};
inline const QColor kWhite{255, 255, 255};

}  // namespace ostra::ui

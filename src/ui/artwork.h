// The program's own pictures (program emblem, the two tray frames, the
// display background) and the look of its tool tips.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

class QApplication;
class QWidget;
class QColor;
class QFont;
class QLabel;
class QPainter;

namespace ostra::ui {

// The program emblem (a memory chip with a load ring) as a window icon.
QIcon programIcon();
// The emblem scaled into w x h logical pixels (aspect kept, centred, clear
// around), rendered for the given device pixel ratio.
QPixmap programPicture(int w, int h, qreal dpr = 1.0);
// Frame 0 or 1 of the tray animation (other indexes wrap); the two frames
// differ clearly in colour and layout.
QIcon trayPicture(int index);
// Frame 0 or 1 rendered at exactly `side` x `side` device pixels.
QImage trayFrame(int index, int side);
// Background of the display area: a faint grid on a light ground. A dpr of 0
// renders for the application's device pixel ratio.
QPixmap displayBackground(int w, int h, qreal dpr = 0.0);
// The same painted straight onto a w x h place.
void paintDisplayBackground(QPainter& p, int w, int h);

// Tool tips of the whole application: background RGB(0,255,64), the usual
// tool-tip text colour, 12-pixel sans-serif font and rounded corners (a
// window mask, so the shape holds without a compositor).
void installToolTipStyle(QApplication& app);
// The small, narrow face the windows' captions are laid out for.
QFont narrowFont(int pixelSize);
// Narrows a caption's face, if need be, until its longest line ends within
// `room` pixels, where the next control begins.
QLabel* fitWidth(QLabel* label, int room);
// Puts a window in the middle of the primary screen.
void centreOnScreen(QWidget* w);
// Fills the widget's background with one colour.
void fillBackground(QWidget* w, const QColor& colour);

// Corner radius of the rounded tool tips, in logical pixels.
constexpr int kToolTipRadius = 5;

}  // namespace ostra::ui

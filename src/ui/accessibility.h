// What assistive technology (a screen reader over AT-SPI) learns of the
// widget set and of the main window.
//
//   Gauge            a progress bar: its value interface gives the progress
//                    (0..maxValue), its value text the percentage shown
//                    ("47%"). A gauge with neither an accessible name nor a
//                    tool tip is decoration: a graphic without a value.
//   LedNumber        static text: its text interface (and its value text)
//   StopwatchDisplay give the characters shown, "12" or "00:05:09"; leading
//                    blank cells are left out.
//   TwoStateSwitch   a check box, checkable, checked while on. Its "press"
//                    and "toggle" actions click it as the left mouse button
//                    does (toggled(), then clicked()); a disabled switch
//                    ignores them.
//   Shape, Diamond   a graphic (part of the window's picture).
//   the main window  ostra::MainWindow, a plain top-level QWidget: a window,
//                    named by its title.
//
// The name of each widget is its accessible name, else its tool tip (its
// hint); the description stays Qt's (the tool tip).
//
// The widgets tell assistive technology of a change only when what they
// show really changes: a gauge sends one value change for the value it
// settles on by the time the event loop runs again (a re-fill from 0 up to
// the load is one event, and a re-fill back to the same value none), an LED
// number or the stopwatch a text update, a switch a change of its checked
// state.
#pragma once

class QString;
class QWidget;

namespace ostra::ui {

// Installs the accessible interfaces above. Call once the QApplication
// exists; later calls do nothing.
void installAccessibility();

namespace a11y {

// For the widgets' setters, after a real change.
void valueChanged(QWidget* w, int value);
void textChanged(QWidget* w, const QString& before, const QString& after);
void checkedChanged(QWidget* w);

}  // namespace a11y

}  // namespace ostra::ui

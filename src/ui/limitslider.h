// Horizontal limit slider, 0 to 100. The mouse sets any whole value; the
// keyboard moves in tens: an arrow key first rounds the value to the nearest
// multiple of 10 (a half goes to the even multiple) and then steps 10 down or
// up; Home gives 0 and End 100. Values set outside the range are clamped.
#pragma once

#include <QSlider>

namespace ostra::ui {

class LimitSlider : public QSlider {
    Q_OBJECT
public:
    explicit LimitSlider(QWidget* parent = nullptr);

    // The value the keyboard step gives from `value` (direction -1 or +1).
    static int keyStep(int value, int direction);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ostra::ui

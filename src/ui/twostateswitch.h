// Two-state lever switch. A left-button press flips it (toggled()); the
// release over it, after that press, is its click (clicked()). The space
// key flips it too, without a click. setOn() changes the state silently.
// A switch whose command comes with the flip hangs it on toggled(); one
// whose command is the click, on clicked().
#pragma once

#include <QWidget>

namespace ostra::ui {

class TwoStateSwitch : public QWidget {
    Q_OBJECT
public:
    explicit TwoStateSwitch(QWidget* parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);

    QSize sizeHint() const override;

signals:
    void toggled(bool on);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void flip();

    bool m_on = false;
    bool m_pressed = false;  // the left button went down on it
};

}  // namespace ostra::ui

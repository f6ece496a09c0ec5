// Two-state lever switch. A left-button press flips it (toggled()); the
// release of that press over the switch then emits clicked(). The space key
// flips it without clicked(). setOn() changes the state silently.
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
    bool m_pressed = false;
};

}  // namespace ostra::ui

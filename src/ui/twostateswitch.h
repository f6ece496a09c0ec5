// Two-state lever switch. A left-button press flips it (toggled()) and then
// emits clicked(), its command; so does the space key. The release does
// nothing. setOn() changes the state silently.
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
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void flipAndClick();

    bool m_on = false;
};

}  // namespace ostra::ui

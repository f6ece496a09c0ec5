// TWarn1: the frameless warning window with its blinking colour panel. It
// shows the warning state and reports its three buttons.
#pragma once

#include <QDialog>

class QLabel;

namespace ostra {
namespace ui {
class Shape;
class SpeedButton;
}  // namespace ui

class Warning;

class WarningDialog : public QDialog {
    Q_OBJECT
public:
    explicit WarningDialog(Warning& warning, QWidget* parent = nullptr);

    QString message() const;
    QColor panelColor() const;
    // Centred, with "OK" focused: modeless, or modal until closed.
    void present(bool modal);

signals:
    void okClicked();          // "OK"
    void limitResetClicked();  // "Limit Reset"
    void exitClicked();        // "Exit Program"

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    // Escape does nothing (the window has no cancel button); Enter presses "OK".
    void keyPressEvent(QKeyEvent* e) override;

private:
    Warning& warning_;
    ui::Shape* panel_;
    QLabel* message_;
    ui::SpeedButton* ok_;
};

}  // namespace ostra

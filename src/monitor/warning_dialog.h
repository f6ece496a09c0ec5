// TWarn1: the frameless warning window with its blinking colour panel.
#pragma once

#include "monitor/monitor.h"

#include <QDialog>
#include <QEventLoop>

#include <functional>

class QLabel;

namespace ostra {
namespace ui {
class Shape;
}

class WarningDialog : public QDialog, public WarningWindow {
    Q_OBJECT
public:
    explicit WarningDialog(QWidget* parent = nullptr);

    bool isShown() const override { return isVisible(); }
    QString message() const override;
    void setMessage(const QString& text) override;
    QColor panelColor() const override;
    void setPanelColor(const QColor& c) override;
    void showModeless() override;
    void showModal() override;

    std::function<void()> onOk;          // "OK"
    std::function<void()> onLimitReset;  // "Limit Reset"
    std::function<void()> onExit;        // "Exit Program"

private:
    ui::Shape* panel_;
    QLabel* message_;
};

}  // namespace ostra

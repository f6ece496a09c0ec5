// TForm3, "Resource Emergency Warning Option": the two limits with their
// mirror gauges and the three switches. Closing it writes section "x".
#pragma once

#include "monitor/warning_options.h"

#include <QDialog>

#include <functional>

class QCheckBox;

namespace ostra {
namespace ui {
class Gauge;
class LimitSlider;
}

class OptionsWindow : public QDialog {
    Q_OBJECT
public:
    OptionsWindow(Platform& platform, QString iniPath, WarningOptions& options,
                  QWidget* parent = nullptr);

    // Reads the five options from the settings file (at creation).
    void loadOptions();
    // "Default": 95 and 30; the check boxes stay.
    void setDefaults();
    bool shown() const { return isVisible(); }

    std::function<void(const QString&)> playCue;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

private:
    void syncFromOptions();
    bool writeOnClose();

    Platform& platform_;
    QString ini_;
    WarningOptions& options_;
    ui::LimitSlider* xx1_;
    ui::LimitSlider* yy1_;
    ui::Gauge* xx2_;
    ui::Gauge* yy2_;
    QCheckBox* check1_;
    QCheckBox* check2_;
    QCheckBox* sound_;
};

}  // namespace ostra

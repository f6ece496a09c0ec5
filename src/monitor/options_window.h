// TForm3, "Resource Emergency Warning Option": the two limits with their
// mirror gauges and the three switches. Closing it has the options' owner
// write them to the settings file.
#pragma once

#include "monitor/warning_options.h"

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace ostra {
class Dialogs;
struct ViewState;
namespace ui {
class Gauge;
class LimitSlider;
}  // namespace ui

class OptionsWindow : public QDialog {
    Q_OBJECT
public:
    OptionsWindow(Dialogs& dialogs, WarningOptionsFile& file, ViewState& view, QWidget* parent = nullptr);

    // "Default": 95 and 30; the check boxes stay.
    void setDefaults();
    bool shown() const { return isVisible(); }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void done(int r) override;
    // No Escape close: the window closes through "OK" (Enter) or its close box.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildLimits();
    QPushButton* buildButtons();
    void bind(QPushButton* defaults);
    void syncFromOptions();
    bool writeOnClose();

    Dialogs& dialogs_;
    WarningOptionsFile& file_;
    WarningOptions& options_;
    ViewState& view_;
    QPushButton* ok_;
    ui::LimitSlider* loadLimitSlider_;
    ui::LimitSlider* riseLimitSlider_;
    ui::Gauge* loadLimitGauge_;
    ui::Gauge* riseLimitGauge_;
    QCheckBox* useLoadLimitBox_;
    QCheckBox* useRiseLimitBox_;
    QCheckBox* sound_;
};

}  // namespace ostra

// TForm1, the main window "Brisel": a narrow, frameless, always-on-top
// panel. It binds the main controller to its controls and stays thin.
#pragma once

#include "app/main_controller.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;

namespace ostra {
namespace ui {
class Gauge;
class LedNumber;
class TwoStateSwitch;
class StopwatchDisplay;
class SpeedButton;
class PictureButton;
class Shape;
class Diamond;
}  // namespace ui

class MainWindow : public QWidget, public MainView {
    Q_OBJECT
public:
    MainWindow(Platform& platform, QString programFolder, WarningWindow& warning,
               WarningOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    MainController& controller() { return *controller_; }
    // The text the tray icon shows as its tip.
    QString trayHint() const { return trayHint_; }
    // The region built from the design layout (the window's shape).
    QRegion shapeRegion() const { return shape_; }
    // Looks a control up by its design name (objectName).
    template <typename T>
    T* control(const char* name) const { return findChild<T*>(QLatin1String(name)); }

    // MonitorView
    bool mainShown() const override;
    void figuresChanged() override;
    void loadGaugesStep() override;
    void historyChanged() override;
    void trayHintChanged(const QString& hint) override;
    // MainView
    int left() const override { return x(); }
    int top() const override { return y(); }
    void setLeft(int x) override;
    void setTop(int y) override;
    void setHeight(int h) override;
    void settingsChanged() override;
    void setFavorites(const QStringList& names) override;
    void closeMain() override;

signals:
    void trayHintTextChanged(const QString& hint);
    // The settings were (re)read and applied.
    void settingsApplied();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void buildLayout();
    void buildShape();

    Platform& platform_;
    std::unique_ptr<MainController> controller_;
    QString trayHint_;
    QRegion shape_;
    bool shutdownRun_ = false;
    QPoint dragOffset_;
    bool dragging_ = false;
    int presses_ = 0;  // left-button presses on the window, to spot a user move

    // The controls that the figures and settings drive.
    ui::Gauge *gauge1_ = nullptr, *gauge2_ = nullptr, *gauge3_ = nullptr, *gauge4_ = nullptr,
              *gauge5_ = nullptr, *gauge6_ = nullptr, *gauge7_ = nullptr, *gauge8_ = nullptr,
              *gauge9_ = nullptr, *gauge10_ = nullptr;
    QLabel *label5_ = nullptr, *label7_ = nullptr, *label22_ = nullptr, *label24_ = nullptr,
           *label27_ = nullptr, *label28_ = nullptr, *label30_ = nullptr, *label31_ = nullptr,
           *label34_ = nullptr, *label2_ = nullptr;
    ui::Shape* shape22_ = nullptr;
    ui::LedNumber *led1_ = nullptr, *led2_ = nullptr, *led3_ = nullptr;
    ui::StopwatchDisplay* stopwatch_ = nullptr;
    ui::TwoStateSwitch *switch1_ = nullptr, *switch2_ = nullptr;
    ui::SpeedButton* analysisButton_ = nullptr;
    QCheckBox* historyBox_ = nullptr;
    QComboBox *historyCombo_ = nullptr, *favoritesCombo_ = nullptr;
};

}  // namespace ostra

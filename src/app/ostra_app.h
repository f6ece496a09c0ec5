// The program's five windows, created once in order and living until the
// end: the main window, the information window, the warning options, the
// warning window and the test report.
#pragma once

#include "monitor/warning_options.h"
#include "platform/platform.h"

#include <QObject>

#include <memory>

namespace ostra {

class MainWindow;
class InfoWindow;
class OptionsWindow;
class WarningDialog;
class ReportWindow;
class LateWarningWindow;

class OstraApp : public QObject {
    Q_OBJECT
public:
    OstraApp(Platform& platform, const QString& programFolder);
    ~OstraApp() override;

    // Shows the main window, which runs the start-up sequence.
    void start();
    // Asked by a second start: restore a minimized program, else raise it.
    void showRequested();
    // The session ends (signal or session manager): the shutdown sequence.
    void shutdown();

    MainWindow& mainWindow() { return *form1_; }
    InfoWindow& infoWindow() { return *form2_; }
    OptionsWindow& optionsWindow() { return *form3_; }
    WarningDialog& warningWindow() { return *warn1_; }
    ReportWindow& reportWindow() { return *softTest_; }
    WarningOptions& options() { return options_; }

private:
    void wire();

    Platform& platform_;
    WarningOptions options_;
    std::unique_ptr<LateWarningWindow> warningProxy_;
    std::unique_ptr<MainWindow> form1_;
    std::unique_ptr<InfoWindow> form2_;
    std::unique_ptr<OptionsWindow> form3_;
    std::unique_ptr<WarningDialog> warn1_;
    std::unique_ptr<ReportWindow> softTest_;
};

}  // namespace ostra

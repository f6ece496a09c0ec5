// TSoftTest, "Soft Test Report": the window of the software test. It shows
// what the test announces and hands its two buttons and its closing to it.
#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ostra {
namespace ui {
class Gauge;
}  // namespace ui

class SoftTest;
class WindowServices;
struct SoftTestFigures;
struct ProgramMemory;

class ReportWindow : public QDialog {
    Q_OBJECT
public:
    // The client area: the design's outer 606 by 446 less a usual dialog
    // frame and caption bar.
    static constexpr int kClientWidth = 598;
    static constexpr int kClientHeight = 419;

    // `windows` tells whether the program is minimized: the window then
    // stays off the screen while the test goes on.
    ReportWindow(SoftTest& test, WindowServices& windows, QWidget* parent = nullptr);

    // Any way of closing (the close box, "Show", "Hide").
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    // Escape does nothing: the window has no cancel button.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildProgress();
    void buildFigures();
    void buildLog();
    void buildValuation();
    void buildButtons();
    void bind();
    void showFigures(const SoftTestFigures& f);
    void showProgress(int seconds, int length);
    void showValuation(int index);
    void showMemory(const ProgramMemory& m);
    void bringToFront();

    SoftTest& test_;
    WindowServices& windows_;
    ui::Gauge* gauge_;
    QPlainTextEdit* memo_;
    // res1, res2, res3, res11, res22, res33, res44.
    std::array<QLabel*, 7> values_{};
    QLabel* memory_;
    QButtonGroup* valuation_;
    QPushButton* result_;
    QPushButton* ok_;
    bool placed_ = false;
};

}  // namespace ostra

// TForm1, the main window "Brisel": a narrow, frameless, always-on-top
// panel. It shows what the logic objects announce and hands every press
// to its command's action; it holds no state of its own beyond the view.
#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QCheckBox;
class QLabel;

namespace ostra {
namespace ui {
class Gauge;
class LedNumber;
class TwoStateSwitch;
class StopwatchDisplay;
class SpeedButton;
class Shape;
class EditableDropDown;
class OnScreenX11;
}  // namespace ui

struct Actions;
struct Figures;
struct ViewState;
class MainController;
class Monitor;
class Placement;
class ProgramLists;
class ResList;
class StartPoint;
class RestAlarm;
class RestTimer;
class WindowServices;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    struct Model {
        Actions& actions;
        MainController& controller;
        Monitor& monitor;
        ResList& history;
        StartPoint& startPoint;
        RestTimer& restTimer;
        RestAlarm& restAlarm;
        ProgramLists& lists;
        Placement& placement;
        ViewState& view;
        WindowServices& windows;
    };

    explicit MainWindow(Model model, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The region built from the design layout (the window's shape).
    QRegion shapeRegion() const { return shape_; }
    // The dock tab and the display's back plate: docking measures by them.
    QRect dockTabRect() const;
    QRect displayBackRect() const;
    // The version label right of "Ostra   V".
    QString versionText() const;
    void setVersionText(const QString& text);
    // The history entry chosen in the drop-down, as the list holds it (empty
    // when none); what is typed over it in the box does not count.
    QString selectedHistoryEntry() const;

signals:
    // Every showing from hidden (not a restore after "Minimize").
    void shownFromHidden();
    // The window became the program's active window: the first activation
    // after each showing, and each return from another window of the
    // program (not a return from another application).
    void activated();
    void closing();
    // A favourite chosen in the drop-down, or typed (empty: none selected).
    void favoriteChosen(const QString& name);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    // The layout, one region at a time (in the order they are built).
    void buildLayout();
    void buildDockTab();
    void buildTitleBar();
    void buildDisplay();
    void buildFigureColumn();
    void buildRightColumn();
    void buildCommandRow();
    void buildHistoryControls(QWidget* strip);
    void buildAnalysisPanel();
    void buildAnalysisRises();
    void nameGaugesByCaption();
    void keepMouseInOwnWindows();
    void buildShape();
    void bind();
    void showFigures(const Figures& f);
    void showLoadGauges(int value);
    void showHistory(const QStringList& entries);
    void removeHistoryItem(int index);
    void addHistoryItem(const QString& entry);
    void showSettings();
    void showFavorites(const QStringList& names);

    Model m_;
    QRegion shape_;
    bool shutdownRun_ = false;
    QPoint dragOffset_;
    bool dragging_ = false;
    int presses_ = 0;                 // left-button presses on the window, to spot a user move
    bool activationPending_ = false;  // shown, not yet activated
    bool otherWindowActive_ = false;  // another window of the program had the focus since

    // The controls the figures and settings drive.
    // The load now: the pie in the display, the bar in the dock tab and the
    // "Present Res" bar; the pie's fixed backdrop.
    ui::Gauge *loadPie_ = nullptr, *dockLoadBar_ = nullptr, *nowLoadBar_ = nullptr, *pieBackdrop_ = nullptr;
    ui::Gauge *startLoadBar_ = nullptr, *priorLoadBar_ = nullptr, *priorRunLoadBar_ = nullptr;
    ui::Gauge *riseSinceStartGauge_ = nullptr, *riseSincePriorGauge_ = nullptr, *riseSincePriorRunGauge_ = nullptr;
    QLabel *totalUsedText_ = nullptr, *usedText_ = nullptr, *freeText_ = nullptr;
    QLabel *startText_ = nullptr, *priorText_ = nullptr, *nowText_ = nullptr;
    QLabel *riseSinceStartText_ = nullptr, *riseSincePriorText_ = nullptr, *riseSincePriorRunText_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    ui::Shape *titleBar_ = nullptr, *dockTab_ = nullptr, *displayBack_ = nullptr;
    ui::LedNumber *historyCount_ = nullptr, *passedMinutes_ = nullptr, *restInterval_ = nullptr;
    ui::StopwatchDisplay* stopwatch_ = nullptr;
    std::unique_ptr<ui::OnScreenX11> onScreen_;  // the stopwatch's own window on X
    ui::TwoStateSwitch *autoRefreshSwitch_ = nullptr, *alarmSwitch_ = nullptr;
    ui::SpeedButton* analysisButton_ = nullptr;
    QCheckBox* historyBox_ = nullptr;
    ui::EditableDropDown *historyCombo_ = nullptr, *favoritesCombo_ = nullptr;
    QString favoriteOpened_;  // the favourite the box opened last, until the next keystroke
};

}  // namespace ostra

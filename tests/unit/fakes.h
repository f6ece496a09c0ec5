// The main window's logic on the fake platform, with recorders in place of
// the windows: a view that counts what the logic objects announce and a
// warning window that answers the warning's show requests.
#pragma once

#include "app/main_controller.h"
#include "app/placement.h"
#include "fakes/fake_platform.h"
#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "monitor/view_state.h"
#include "monitor/warning.h"
#include "refresh/memory_refresh.h"
#include "refresh/program_lists.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "sound/sound_cue.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace ostra::test {

// What a main window would have been told.
struct ViewRecord {
    std::vector<int> heights;  // every height request
    int height = 0;
    int figuresChangedCount = 0;
    int gaugeSteps = 0;
    int lastStep = -1;  // the value of the last gauge step
    int historyChangedCount = 0;
    int settingsChangedCount = 0;
    int favoritesSet = 0;
    QStringList favorites;
    QStringList hints;
    QStringList events;  // "favorites", "closeMain" in order
    std::function<void()> onGaugeStep;
};

// The warning window. By default a modal showing stays open after it
// returns, standing for ticks that arrive while it is up; with
// closeAfterModal it behaves like a modal wait that ended with the window
// closed. onModal runs inside the modal wait (nested ticks, button presses).
class FakeWarningWindow {
public:
    explicit FakeWarningWindow(Warning& w) : w_(w) {
        QObject::connect(&w, &Warning::showRequested, [this](bool modal) { modal ? showModal() : showModeless(); });
        QObject::connect(&w, &Warning::messageChanged, [this](const QString& t) { messages << t; });
        QObject::connect(&w, &Warning::panelColorChanged, [this](const QColor& c) { colors.push_back(c); });
    }
    bool closeAfterModal = false;
    int modalCount = 0;
    int modelessCount = 0;
    int modalDepth = 0;
    int maxModalDepth = 0;
    QStringList messages;        // every message change in order
    std::vector<QColor> colors;  // every panel colour change in order
    std::function<void()> onModal;

    bool shown() const { return w_.isShown(); }
    void setShown(bool on) { w_.setShown(on); }
    QString text() const { return w_.message(); }
    QColor panel() const { return w_.panelColor(); }
    void setPanel(const QColor& c) { w_.setPanelColor(c); }

private:
    void showModeless() {
        ++modelessCount;
        w_.setShown(true);
    }
    void showModal() {
        ++modalCount;
        w_.setShown(true);
        ++modalDepth;
        if (modalDepth > maxModalDepth) maxModalDepth = modalDepth;
        if (onModal) onModal();
        --modalDepth;
        if (closeAfterModal) w_.setShown(false);
    }
    Warning& w_;
};

// The logic of the main window on the fake platform, built the way the
// program's root builds it.
template <class P = FakePlatform>
struct BasicRig {
    explicit BasicRig(QString folder = QStringLiteral("/prog"))
        : folder(folder),
          restTimer(platform),
          cue(platform, folder, options.useSound),
          monitor(Monitor::Deps{platform, platform, warningState, options, history, restTimer, restAlarm, cue, state,
                                settings.historyOn}),
          lists(platform, platform, platform.fakeDialogs, cue, folder),
          refresh(platform, platform, platform.fakeDialogs, cue),
          ctl(std::make_unique<MainController>(
              MainController::Deps{platform.services(), folder, monitor, history, restTimer, restAlarm, cue, lists,
                                   refresh, placement, state},
              settings)),
          warning(warningState) {
        state.mainShown = true;
        QObject::connect(&monitor, &Monitor::figuresChanged, [this] { ++view.figuresChangedCount; });
        QObject::connect(&monitor, &Monitor::loadGaugeStep, [this](int value) {
            ++view.gaugeSteps;
            view.lastStep = value;
            if (view.onGaugeStep) view.onGaugeStep();
        });
        QObject::connect(&monitor, &Monitor::trayHintChanged, [this](const QString& h) { view.hints << h; });
        QObject::connect(&history, &ResList::changed, [this] { ++view.historyChangedCount; });
        QObject::connect(ctl.get(), &MainController::settingsApplied, [this] { ++view.settingsChangedCount; });
        QObject::connect(&lists, &ProgramLists::favoritesChanged, [this](const QStringList& names) {
            ++view.favoritesSet;
            view.favorites = names;
            view.events << QStringLiteral("favorites");
        });
        QObject::connect(&placement, &Placement::heightRequested, [this](int h) {
            view.height = h;
            view.heights.push_back(h);
        });
        QObject::connect(&placement, &Placement::moveRequested, [this](int x, int y) { placement.windowMoved(x, y); });
        // Closing the main window runs the shutdown sequence.
        QObject::connect(ctl.get(), &MainController::closeRequested, [this] { closeMain(); });
        QObject::connect(ctl.get(), &MainController::upgradeCheckDue, [this] {
            if (upgradeCheck) upgradeCheck();
        });
    }

    void closeMain() {
        view.events << QStringLiteral("closeMain");
        state.mainShown = false;
        ctl->formClose();
    }

    FakeTimer& monitorTimer() { return dynamic_cast<FakeTimer&>(monitor.timer()); }
    const Figures& fig() const { return monitor.figures(); }
    // One tick in which every reading is `load`.
    void tickAt(int load) {
        platform.loads = {load};
        monitor.tick();
    }
    // Shows the main window with every reading at `load`.
    void showAt(int load) {
        platform.loads = {load};
        ctl->formShow();
    }
    QStringList soundNames() const {
        QStringList out;
        for (const QString& s : platform.sounds) out << s.section(QLatin1Char('/'), -1);
        return out;
    }

    P platform;
    QString folder;
    WarningOptions options;
    MainSettings settings;
    ViewState state;
    Warning warningState;
    ResList history;
    RestTimer restTimer;
    RestAlarm restAlarm;
    SoundCue cue;
    Monitor monitor;
    Placement placement;
    ProgramLists lists;
    MemoryRefresh refresh;
    std::unique_ptr<MainController> ctl;
    FakeWarningWindow warning;
    ViewRecord view;
    std::function<void()> upgradeCheck;
};

using Rig = BasicRig<>;

}  // namespace ostra::test

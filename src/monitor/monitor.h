// The once-a-second monitor: reads the memory load and derives every
// figure the main window shows, the tray hint, the history entry and the
// three warning decisions (rest reminder, load limit, rise).
#pragma once

#include "monitor/figures.h"
#include "monitor/view_state.h"
#include "monitor/warning_options.h"
#include "platform/clock.h"
#include "platform/load_source.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace ostra {

class ResList;
class RestAlarm;
class RestTimer;
class SoundCue;
class Warning;

// Which limit a warning passed: the load limit or the rise limit.
enum class LimitKind { Load, Rise };

class Monitor : public QObject {
    Q_OBJECT
public:
    struct Deps {
        LoadSource& load;
        Clock& clock;
        Warning& warning;
        const WarningOptions& options;
        ResList& history;
        RestTimer& restTimer;
        RestAlarm& restAlarm;
        SoundCue& cue;
        const ViewState& view;
        const bool& historyOn;
    };

    explicit Monitor(Deps deps, QObject* parent = nullptr);
    ~Monitor() override;

    // One fresh reading of the load, 0..100; nothing when it cannot be read.
    std::optional<int> readLoad();

    // Start point, prior and the three load gauges from fresh readings, as
    // each showing of the main window does.
    void initialiseAtShow();
    // The tick: steps 0 to 13. A reading that fails ends the tick there.
    void tick();

    // Monitor timer: interval 0 (stopped) or 1000, on the wall clock (its
    // shots come just after each new second, together with every other
    // such timer of the program).
    Timer& timer() { return *timer_; }
    void startTimer() { timer_->setInterval(1000); }

    const Figures& figures() const { return f_; }
    QString trayHint() const { return trayHint_; }

    void setExceedLimitState(bool on);
    // The start point from a fresh reading ("Refresh Start Res").
    void setStartLoad(int v);
    // The start point from a history entry: its number, its whole text shown.
    void setStartEntry(int v, const QString& entry);
    void setPriorRunLoad(int v);

signals:
    void figuresChanged(const ostra::Figures& f);
    // One step of the load gauges' re-fill: paint them at `value` now.
    void loadGaugeStep(int value);
    void trayHintChanged(const QString& hint);
    // The start point was set from a fresh reading (at a showing, or by
    // setStartLoad()); not when it is moved to a history entry.
    void startPointSetAfresh(int load);
    // A tick read the load: NowLoad as it stands after the gauges.
    void sampled(int nowLoad);
    // A tick found the main window hidden and did nothing.
    void idleTick();
    // A tick found the load or the rise over its limit and warns (the
    // window opens, or blinks on when it is up already).
    void limitWarning(ostra::LimitKind kind);

private:
    // Passes the figures on when they differ from those last passed on.
    void publish();
    // The tick's parts.
    std::optional<int> readFigures();
    void refillLoadGauges(int load);
    void warnOrRemind(int nowLoad);

    Deps d_;
    Figures f_;
    std::optional<Figures> published_;
    QString trayHint_;
    std::unique_ptr<Timer> timer_;
};

}  // namespace ostra

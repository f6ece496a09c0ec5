// The once-a-second monitor: reads the memory load and derives every
// figure the main window shows, the tray hint, the history entry and the
// three warning decisions (rest reminder, load limit, rise).
#pragma once

#include "monitor/res_list.h"
#include "monitor/warning_options.h"
#include "platform/platform.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "sound/sound_cue.h"

#include <QColor>
#include <QString>

#include <memory>

namespace ostra {

inline const QColor kBlue{0, 0, 255};
inline const QColor kRed{255, 0, 0};
inline const QColor kBlack{0, 0, 0};

inline const char* const kLoadLimitMessage =
    "It's over the resource limit close the other useless windows for your system safety";
inline const char* const kRiseMessage =
    " The right software you executed now uses too many resorces, check it out that is some "
    "virus or bad software. Close the other useless windows.";
inline const char* const kRestMessage =
    " It's time to rest for your health.  just stand up and have some stretching movement. Keep "
    "in mind health is everything... ^^ ";

// The values the main window's controls hold. Gauges keep 0..100.
struct Figures {
    int gauge1 = 0;  // centre pie: NowLoad
    int gauge2 = 0;  // "Present Res"
    int gauge3 = 0;  // small "Now Res"
    int gauge8 = 0;  // StartLoad
    int gauge9 = 0;  // PriorLoad
    int gauge5 = 0;  // PriorRunLoad
    int gauge4 = 0;  // rise since start (0 when not positive)
    int gauge10 = 0; // rise since prior
    int gauge7 = 0;  // rise since the prior run
    QString label22, label24;                  // start, prior
    QString label7 = QStringLiteral("20%");    // used
    QString label31 = QStringLiteral("20%");   // now
    QString label5 = QStringLiteral("20%");    // free
    QString label34 = QStringLiteral("20%");   // total used (start~now)
    QString label27 = QStringLiteral("-qq%");  // start~now
    QString label28 = QStringLiteral("-qq%");  // prior~now
    QString label30 = QStringLiteral("-qq%");  // prior run~now
    bool exceedLimitState = false;             // red gauges and title strip when set
    QString trayHint;                          // empty until the first tick

    int nowLoad() const { return gauge1; }
    QColor stateColor() const { return exceedLimitState ? kRed : kBlue; }
};

// Number immediately followed by "%", with a minus sign when negative.
QString percentText(int v);

// What the monitor needs of the windows it drives.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    // The main window's visible flag (kept while the program is minimized).
    virtual bool mainShown() const = 0;
    // Figures changed: rewrite the labels and gauges.
    virtual void figuresChanged() = 0;
    // The three load gauges changed during a re-fill: paint them now.
    virtual void loadGaugesStep() = 0;
    virtual void historyChanged() = 0;
    virtual void trayHintChanged(const QString& hint) = 0;
};

class WarningWindow {
public:
    virtual ~WarningWindow() = default;
    virtual bool isShown() const = 0;
    virtual QString message() const = 0;
    virtual void setMessage(const QString& text) = 0;
    virtual QColor panelColor() const = 0;
    virtual void setPanelColor(const QColor& c) = 0;
    virtual void showModeless() = 0;
    // Returns once the window has closed; events (and ticks) run meanwhile.
    virtual void showModal() = 0;
};

class Monitor {
public:
    struct Deps {
        Platform& platform;
        MonitorView& view;
        WarningWindow& warning;
        const WarningOptions& options;
        ResList& history;
        RestTimer& restTimer;
        RestAlarm& restAlarm;
        SoundCue& cue;
        const bool& historyOn;
    };

    explicit Monitor(Deps deps);

    // One fresh reading of the load, 0..100.
    int readLoad();

    // Start point, prior and the three load gauges from fresh readings, as
    // each showing of the main window does.
    void initialiseAtShow();
    // The tick: steps 0 to 13.
    void tick();

    // Monitor timer: interval 0 (stopped) or 1000.
    Timer& timer() { return *timer_; }
    void startTimer() { timer_->setInterval(1000); }

    Figures& figures() { return f_; }
    const Figures& figures() const { return f_; }

    void setExceedLimitState(bool on);
    void setStartLoad(int v, const QString& label);
    void setPriorRunLoad(int v) { f_.gauge5 = clampPercent(v); }

private:
    Deps d_;
    Figures f_;
    std::unique_ptr<Timer> timer_;
    int priorLoad_ = 0;
    int startLoad_ = 0;
};

}  // namespace ostra

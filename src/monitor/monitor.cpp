#include "monitor/monitor.h"

#include "monitor/res_list.h"
#include "monitor/warning.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "sound/sound_cue.h"

namespace ostra {

int clampPercent(int v) { return v < 0 ? 0 : (v > 100 ? 100 : v); }

QString percentText(int v) { return QString::number(v) + QLatin1Char('%'); }

Monitor::Monitor(Deps deps, QObject* parent)
    : QObject(parent), d_(deps), timer_(deps.clock.createWallClockTimer()) {
    timer_->setCallback([this] { tick(); });
}

Monitor::~Monitor() = default;

void Monitor::publish() {
    if (published_ && *published_ == f_) return;
    published_ = f_;
    emit figuresChanged(f_);
}

std::optional<int> Monitor::readLoad() {
    // The source answers 0..100 (its "%d %" text form reads back as the
    // same number); anything out of range is held at the nearer bound.
    std::optional<int> v = d_.load.memoryLoad();
    if (v) *v = clampPercent(*v);
    return v;
}

void Monitor::initialiseAtShow() {
    // A reading that fails leaves its figure as it was, as in the tick.
    if (const std::optional<int> v = readLoad()) {
        f_.startLoad = *v;
        f_.startEntry.reset();
    }
    if (const std::optional<int> v = readLoad()) f_.priorLoad = *v;
    if (const std::optional<int> v = readLoad()) f_.nowLoad = *v;
    readLoad();  // the other two load gauges
    readLoad();
    f_.priorShown = f_.nowLoad;
    f_.shownAtStart = true;
    publish();
    emit startPointSetAfresh(f_.startLoad);
}

void Monitor::setExceedLimitState(bool on) {
    f_.exceedLimitState = on;
    publish();
}

void Monitor::setStartLoad(int v) {
    f_.startLoad = clampPercent(v);
    f_.startEntry.reset();
    f_.shownAtStart = true;
    publish();
    emit startPointSetAfresh(f_.startLoad);
}

void Monitor::setStartEntry(int v, const QString& entry) {
    f_.startLoad = clampPercent(v);
    f_.startEntry = entry;
    f_.shownAtStart = true;
    publish();
}

void Monitor::setPriorRunLoad(int v) {
    f_.priorRunLoad = clampPercent(v);
    publish();
}

void Monitor::tick() {
    // 0. Nothing while the main window is hidden (the load history takes
    // its own reading on this wake-up).
    if (!d_.view.mainShown) {
        emit idleTick();
        return;
    }
    // The stopwatch on the window moves on with the tick.
    d_.restTimer.poll();
    const std::optional<int> now = readFigures();
    if (!now) return;
    refillLoadGauges(*now);
    const int nowLoad = f_.nowLoad;
    emit sampled(nowLoad);
    warnOrRemind(nowLoad);
}

// Steps 1 to 7: one reading each. Returns step 4's reading, the new
// NowLoad, or nothing when a reading failed.
std::optional<int> Monitor::readFigures() {
    // 1. A change moves the last level into the prior figure and the history.
    std::optional<int> r = readLoad();
    if (!r) return std::nullopt;
    if (*r != f_.nowLoad) {
        f_.priorLoad = f_.nowLoad;
        f_.priorShown = f_.priorLoad;
        if (d_.historyOn) d_.history.append(percentText(f_.priorLoad), d_.restTimer.elapsedText());
    }

    // 2. Tray hint, passed on only when it changes.
    if (!(r = readLoad())) return std::nullopt;
    const QString hint = QStringLiteral("Ostra%1%/%2").arg(100 - *r).arg(d_.restTimer.elapsedText());
    if (hint != trayHint_) {
        trayHint_ = hint;
        emit trayHintChanged(hint);
    }

    // 3. Used and now.
    if (!(r = readLoad())) return std::nullopt;
    f_.usedLoad = *r;

    // 4. Free; this reading becomes NowLoad in step 8.
    const std::optional<int> r4 = readLoad();
    if (!r4) return std::nullopt;
    f_.freePercent = 100 - *r4;

    // 5. Since the start point.
    if (!(r = readLoad())) return std::nullopt;
    f_.riseSinceStart = *r - f_.startLoad;

    // 6. Since the prior level.
    if (!(r = readLoad())) return std::nullopt;
    f_.riseSincePrior = *r - f_.priorLoad;

    // 7. Since the prior run.
    if (!(r = readLoad())) return std::nullopt;
    f_.riseSincePriorRun = *r - f_.priorRunLoad;
    f_.sampled = true;
    publish();
    return r4;
}

// 8. Re-fill the load gauges point by point with the timer stopped.
void Monitor::refillLoadGauges(int load) {
    if (load != f_.nowLoad) {
        timer_->setInterval(0);
        f_.nowLoad = 0;
        emit loadGaugeStep(0);
        for (int i = 0; i < load; ++i) {
            ++f_.nowLoad;
            emit loadGaugeStep(f_.nowLoad);
        }
        timer_->setInterval(1000);
    }
}

// Steps 9 to 13: the warnings and the rest reminder.
void Monitor::warnOrRemind(int nowLoad) {
    const int risePrior = f_.riseSincePrior >= 1 ? clampPercent(f_.riseSincePrior) : 0;

    // 9. Back within both limits: the acknowledged state ends.
    if (nowLoad <= d_.options.loadLimit && risePrior <= d_.options.riseLimit && f_.exceedLimitState)
        setExceedLimitState(false);

    // 10. Rest reminder, which takes the whole tick.
    if (d_.restAlarm.due()) {
        d_.restAlarm.setPassedMinutes(0);
        d_.warning.setMessage(QString::fromLatin1(kRestMessage));
        d_.warning.setPanelColor(d_.warning.panelColor() == ui::kBlue ? ui::kBlack : ui::kBlue);
        if (!d_.warning.isShown()) d_.cue.play(QStringLiteral("alarm.wav"));
        d_.warning.showModeless();
        return;
    }

    // 11. An acknowledged warning keeps both limit warnings quiet.
    if (f_.exceedLimitState) return;

    // 12. Load limit.
    if (nowLoad > d_.options.loadLimit && d_.options.useLoadLimit) {
        d_.warning.setPanelColor(d_.warning.panelColor() == ui::kRed ? ui::kBlue : ui::kRed);
        d_.warning.setMessage(QString::fromLatin1(kLoadLimitMessage));
        d_.cue.play(QStringLiteral("dingdong.wav"));
        emit limitWarning(LimitKind::Load);
        if (!d_.warning.isShown()) d_.warning.showModal();
    }

    // 13. Rise, whatever step 12 did (figures may have moved meanwhile).
    const int risePriorNow = f_.riseSincePrior >= 1 ? clampPercent(f_.riseSincePrior) : 0;
    if (risePriorNow > d_.options.riseLimit && d_.options.useRiseLimit) {
        d_.warning.setPanelColor(d_.warning.panelColor() == ui::kRed ? ui::kBlack : ui::kRed);
        d_.warning.setMessage(QString::fromLatin1(kRiseMessage));
        d_.cue.play(QStringLiteral("dingdong.wav"));
        emit limitWarning(LimitKind::Rise);
        if (!d_.warning.isShown()) d_.warning.showModal();
    }
}

}  // namespace ostra

#include "monitor/monitor.h"

namespace ostra {

QString percentText(int v) { return QString::number(v) + QLatin1Char('%'); }

namespace {
int positiveOrZero(int d) { return d >= 1 ? clampPercent(d) : 0; }

}  // namespace

Monitor::Monitor(Deps deps) : d_(deps), timer_(deps.platform.createTimer()) {
    timer_->setCallback([this] { tick(); });
}

int Monitor::readLoad() {
    // The platform answers 0..100 (its "%d %" text form reads back as the
    // same number); anything out of range is held at the nearer bound.
    return clampPercent(d_.platform.memoryLoad());
}

void Monitor::initialiseAtShow() {
    startLoad_ = readLoad();
    f_.gauge8 = startLoad_;
    f_.label22 = percentText(f_.gauge8);
    priorLoad_ = readLoad();
    f_.gauge9 = priorLoad_;
    f_.gauge1 = readLoad();
    f_.gauge2 = readLoad();
    f_.gauge3 = readLoad();
    f_.label24 = percentText(f_.gauge1);
    d_.view.figuresChanged();
}

void Monitor::setExceedLimitState(bool on) {
    f_.exceedLimitState = on;
    d_.view.figuresChanged();
}

void Monitor::setStartLoad(int v, const QString& label) {
    startLoad_ = v;
    f_.gauge8 = clampPercent(v);
    f_.label22 = label;
    d_.view.figuresChanged();
}

void Monitor::tick() {
    // 0. Nothing while the main window is hidden.
    if (!d_.view.mainShown()) return;

    // 1. A change moves the last level into the prior figure and the history.
    int r = readLoad();
    if (r != f_.gauge1) {
        priorLoad_ = f_.gauge1;
        f_.gauge9 = priorLoad_;
        f_.label24 = percentText(priorLoad_);
        if (d_.historyOn) {
            d_.history.append(f_.label24, d_.restTimer.elapsedText());
            d_.view.historyChanged();
        }
    }

    // 2. Tray hint.
    r = readLoad();
    f_.trayHint = QStringLiteral("Ostra%1%/%2").arg(100 - r).arg(d_.restTimer.elapsedText());
    d_.view.trayHintChanged(f_.trayHint);

    // 3. Used and now.
    r = readLoad();
    f_.label7 = percentText(r);
    f_.label31 = f_.label7;

    // 4. Free; this reading becomes NowLoad in step 8.
    const int r4 = readLoad();
    f_.label5 = percentText(100 - r4);

    // 5. Since the start point.
    r = readLoad();
    int d = r - startLoad_;
    f_.gauge4 = positiveOrZero(d);
    f_.label27 = percentText(d);
    f_.label34 = f_.label27;

    // 6. Since the prior level.
    r = readLoad();
    d = r - priorLoad_;
    f_.gauge10 = positiveOrZero(d);
    f_.label28 = percentText(d);

    // 7. Since the prior run.
    r = readLoad();
    d = r - f_.gauge5;
    f_.gauge7 = positiveOrZero(d);
    f_.label30 = percentText(d);
    d_.view.figuresChanged();

    // 8. Re-fill the load gauges point by point with the timer stopped.
    if (r4 != f_.gauge1) {
        timer_->setInterval(0);
        f_.gauge1 = f_.gauge2 = f_.gauge3 = 0;
        d_.view.loadGaugesStep();
        for (int i = 0; i < r4; ++i) {
            ++f_.gauge1;
            ++f_.gauge2;
            ++f_.gauge3;
            d_.view.loadGaugesStep();
        }
        timer_->setInterval(1000);
    }
    const int nowLoad = f_.gauge1;

    // 9. Back within both limits: the acknowledged state ends.
    if (nowLoad <= d_.options.loadLimit && f_.gauge10 <= d_.options.riseLimit && f_.exceedLimitState) {
        setExceedLimitState(false);
    }

    // 10. Rest reminder, which takes the whole tick.
    if (d_.restAlarm.due()) {
        d_.restAlarm.passedMinutes = 0;
        d_.view.figuresChanged();
        d_.warning.setMessage(QString::fromLatin1(kRestMessage));
        d_.warning.setPanelColor(d_.warning.panelColor() == kBlue ? kBlack : kBlue);
        if (d_.options.useSound && !d_.warning.isShown()) d_.cue.play(QStringLiteral("alarm.wav"));
        d_.warning.showModeless();
        return;
    }

    // 11. An acknowledged warning keeps both limit warnings quiet.
    if (f_.exceedLimitState) return;

    // 12. Load limit.
    if (nowLoad > d_.options.loadLimit && d_.options.useLoadLimit) {
        d_.warning.setPanelColor(d_.warning.panelColor() == kRed ? kBlue : kRed);
        d_.warning.setMessage(QString::fromLatin1(kLoadLimitMessage));
        d_.cue.play(QStringLiteral("dingdong.wav"));
        if (!d_.warning.isShown()) d_.warning.showModal();
    }

    // 13. Rise, whatever step 12 did (figures may have moved meanwhile).
    if (f_.gauge10 > d_.options.riseLimit && d_.options.useRiseLimit) {
        d_.warning.setPanelColor(d_.warning.panelColor() == kRed ? kBlack : kRed);
        d_.warning.setMessage(QString::fromLatin1(kRiseMessage));
        d_.cue.play(QStringLiteral("dingdong.wav"));
        if (!d_.warning.isShown()) d_.warning.showModal();
    }
}

}  // namespace ostra

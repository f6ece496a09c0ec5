#include "act/application_actions.h"

#include "grow/growth.h"

namespace ostra::act {

namespace {

QString processCount(std::size_t n) {
    return n == 1 ? QStringLiteral("1 process") : QStringLiteral("%1 processes").arg(n);
}

}  // namespace

ApplicationActions::ApplicationActions(Deps deps, QObject* parent)
    : QObject(parent), d_(std::move(deps)), protected_(d_.processes, d_.peers) {}

ApplicationActions::~ApplicationActions() {
    resumeAll();
    *alive_ = false;
}

ApplicationActions::Offer ApplicationActions::offer(const Target& t) {
    Offer o;
    o.resume = isPaused(t.key);
    o.reason = protected_.reason(t);
    if (!o.reason.isEmpty()) return o;
    const auto ending = ending_.find(t.key);
    const bool inProgress = ending != ending_.end() && !ending->second.offered;
    o.pause = !o.resume && !inProgress;
    o.end = !inProgress;
    o.endNow = ending != ending_.end() && ending->second.offered;
    o.close = d_.windows.hasWindow(t.pids());
    return o;
}

QString ApplicationActions::stateText(const QString& key) const {
    const auto it = state_.find(key);
    return it == state_.end() ? QString() : it->second;
}

QString ApplicationActions::endQuestion(const Target& t) {
    return QStringLiteral("End %1? It holds %2 in %3. Whatever it has not saved is lost.")
        .arg(t.name, grow::sizeText(t.bytes), processCount(t.processes.size()));
}

QString ApplicationActions::endNowQuestion(const Target& t) {
    return QStringLiteral(
               "End %1 now, without letting it finish? It holds %2 in %3. Whatever it has not saved is lost.")
        .arg(t.name, grow::sizeText(t.bytes), processCount(t.processes.size()));
}

void ApplicationActions::setState(const QString& key, const QString& state) {
    if (stateText(key) == state) return;
    if (state.isEmpty())
        state_.erase(key);
    else
        state_[key] = state;
    emit stateChanged(key, state);
}

bool ApplicationActions::save() {
    PausedSet set;
    for (const auto& [key, h] : held_) {
        if (!h.target.unit.isEmpty()) set.units << h.target.unit;
        set.processes.insert(set.processes.end(), h.target.processes.begin(), h.target.processes.end());
    }
    for (const QString& u : thawing_)
        if (!set.units.contains(u)) set.units << u;
    return d_.files.replaceFile(d_.statePath, serialize(set));
}

void ApplicationActions::pause(const Target& t) {
    if (t.key.isEmpty() || isPaused(t.key) || !protected_.reason(t).isEmpty()) return;
    held_[t.key] = Held{t, false, {}};
    // Named in the file before anything is paused: a kill from here on
    // leaves it for the next start to resume. Not paused at all when the
    // file cannot be written.
    if (!save()) {
        held_.erase(t.key);
        emit failed(t.key, QString::fromLatin1(kNotRecorded));
        return;
    }
    if (t.unit.isEmpty()) {
        stopProcesses(t.key);
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    const QString key = t.key;
    const QString unit = t.unit;
    d_.units.freeze(unit, [this, alive, key, unit](const UnitResult& r) {
        if (alive.expired()) return;
        const auto it = held_.find(key);
        if (it == held_.end() || it->second.target.unit != unit) {
            // Resumed or ended while the manager was freezing it.
            if (r.outcome == UnitOutcome::Done) d_.units.thaw(unit, [](const UnitResult&) {});
            return;
        }
        if (r.outcome == UnitOutcome::Done) {
            it->second.frozen = true;
            const Target target = it->second.target;
            setState(key, QString::fromLatin1(kPausedState));
            emit acted(Act::Paused, target);
            return;
        }
        stopProcesses(key);
        if (isPaused(key))
            emit fellBackToSignals(
                key, QString::fromLatin1(r.outcome == UnitOutcome::NoManager ? kNoManagerNote : kRefusedNote));
    });
}

void ApplicationActions::stopProcesses(const QString& key) {
    Held& h = held_[key];
    for (const ProcessRef& p : h.target.processes)
        if (d_.processes.signal(p, ProcessSignal::Stop) == SignalOutcome::Sent) h.stopped.push_back(p);
    if (h.stopped.empty()) {
        held_.erase(key);
        save();
        setState(key, {});
        emit failed(key, QString::fromLatin1(kNothingPaused));
        return;
    }
    const Target target = h.target;
    setState(key, QString::fromLatin1(kPausedState));
    emit acted(Act::Paused, target);
}

void ApplicationActions::resume(const QString& key) {
    const auto it = held_.find(key);
    if (it == held_.end()) return;
    const Held h = std::move(it->second);
    held_.erase(it);
    for (const ProcessRef& p : h.stopped) d_.processes.signal(p, ProcessSignal::Continue);
    if (!h.target.unit.isEmpty()) {
        // Thawed even when it was paused by signals: a freeze that timed
        // out may still have been carried out.
        const QString unit = h.target.unit;
        thawing_.insert(unit);
        std::weak_ptr<bool> alive = alive_;
        d_.units.thaw(unit, [this, alive, unit](const UnitResult&) {
            if (alive.expired()) return;
            thawing_.remove(unit);
            save();
        });
    }
    save();
    setState(key, {});
    emit acted(Act::Resumed, h.target);
}

int ApplicationActions::close(const Target& t) {
    if (!protected_.reason(t).isEmpty()) return 0;
    const int asked = d_.windows.closeWindows(t.pids());
    if (asked == 0)
        emit failed(t.key, QString::fromLatin1(kNoWindowAsked));
    else
        emit acted(Act::Closed, t);
    return asked;
}

void ApplicationActions::terminate(const Target& t, ProcessSignal sig) {
    // Whatever this program paused of it runs again after the signal, so
    // that a stopped process acts on it.
    bool wasPaused = false;
    bool stoppedOneByOne = false;
    if (const auto it = held_.find(t.key); it != held_.end()) {
        wasPaused = true;
        stoppedOneByOne = !it->second.stopped.empty();
        held_.erase(it);
    }
    auto bySignals = [this, t, sig] {
        for (const ProcessRef& p : t.processes) {
            if (d_.processes.signal(p, sig) == SignalOutcome::Sent && sig == ProcessSignal::Terminate)
                d_.processes.signal(p, ProcessSignal::Continue);
        }
    };
    if (t.unit.isEmpty()) {
        bySignals();
    } else {
        std::weak_ptr<bool> alive = alive_;
        d_.units.kill(t.unit, sig, [alive, bySignals](const UnitResult& r) {
            if (alive.expired() || r.outcome == UnitOutcome::Done) return;
            bySignals();
        });
        // The manager answers its calls in order: the signal first, then
        // the processes let go.
        if (sig == ProcessSignal::Terminate)
            d_.units.kill(t.unit, ProcessSignal::Continue, [](const UnitResult&) {});
        d_.units.thaw(t.unit, [](const UnitResult&) {});
        // Processes this program stopped one by one.
        if (stoppedOneByOne) bySignals();
    }
    if (wasPaused) save();
    setState(t.key, QString::fromLatin1(kEndingState));
    emit acted(Act::Ended, t);
    followUp(t);
}

void ApplicationActions::end(const Target& t) {
    if (t.key.isEmpty() || !protected_.reason(t).isEmpty()) return;
    terminate(t, ProcessSignal::Terminate);
}

void ApplicationActions::endNow(const Target& t) {
    if (t.key.isEmpty() || !protected_.reason(t).isEmpty()) return;
    terminate(t, ProcessSignal::Kill);
}

void ApplicationActions::followUp(const Target& t) {
    retired_.clear();
    Ending& e = ending_[t.key];
    if (e.timer) {
        e.timer->setInterval(0);
        retired_.push_back(std::move(e.timer));
    }
    e.target = t;
    e.offered = false;
    e.timer = d_.clock.createTimer();
    const QString key = t.key;
    e.timer->setCallback([this, key] {
        const auto it = ending_.find(key);
        if (it == ending_.end()) return;
        it->second.timer->setInterval(0);
        bool running = false;
        for (const ProcessRef& p : it->second.target.processes) running = running || stillRunning(d_.processes, p);
        if (!running) {
            // The timer is running this call: it is let go later.
            retired_.push_back(std::move(it->second.timer));
            ending_.erase(it);
            setState(key, {});
            return;
        }
        it->second.offered = true;
        setState(key, QString::fromLatin1(kStillRunningState));
        emit endNowOffered(key);
    });
    e.timer->setInterval(kFollowUpMs);
}

void ApplicationActions::resumeAll() {
    if (held_.empty() && thawing_.isEmpty()) return;
    for (const auto& [key, h] : held_) {
        for (const ProcessRef& p : h.stopped) d_.processes.signal(p, ProcessSignal::Continue);
        if (!h.target.unit.isEmpty()) d_.units.thawNow(h.target.unit);
    }
    for (const QString& u : thawing_) d_.units.thawNow(u);
    const std::map<QString, Held> was = std::move(held_);
    held_.clear();
    thawing_.clear();
    save();
    for (const auto& [key, h] : was) {
        setState(key, {});
        emit acted(Act::Resumed, h.target);
    }
}

void ApplicationActions::resumeLeftovers() {
    const std::optional<QByteArray> text = d_.files.readFile(d_.statePath, 1 << 20);
    if (!text || text->isEmpty()) return;
    const PausedSet left = parsePaused(*text);
    // Each process only when it is still the one paused.
    for (const ProcessRef& p : left.processes) d_.processes.signal(p, ProcessSignal::Continue);
    std::weak_ptr<bool> alive = alive_;
    for (const QString& unit : left.units) {
        thawing_.insert(unit);
        d_.units.thaw(unit, [this, alive, unit](const UnitResult&) {
            if (alive.expired()) return;
            thawing_.remove(unit);
            save();
        });
    }
    save();
}

}  // namespace ostra::act

// Fakes of the roles that act on the user's applications: processes with
// scripted facts whose signals are logged (and change their state), a user
// manager whose answers are scripted and may be held back, windows and the
// desktop's programs, and the kernel's kill counter.
#pragma once

#include "platform/app_windows.h"
#include "platform/kernel_counters.h"
#include "platform/process_control.h"
#include "platform/user_units.h"

#include <QMap>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <vector>

namespace ostra {

inline const char* signalName(ProcessSignal s) {
    switch (s) {
    case ProcessSignal::Stop: return "STOP";
    case ProcessSignal::Continue: return "CONT";
    case ProcessSignal::Terminate: return "TERM";
    case ProcessSignal::Kill: return "KILL";
    }
    return "?";
}

class FakeProcessControl : public ProcessControl {
public:
    // A process of this user, running, with a start time of its own.
    ProcessFacts& add(int pid, std::uint64_t start, QByteArray exe = "app") {
        ProcessFacts f;
        f.pid = pid;
        f.parent = 2;
        f.session = 500;
        f.uid = uid;
        f.startTime = start;
        f.state = 'S';
        f.executable = std::move(exe);
        return table[pid] = f;
    }
    std::optional<ProcessFacts> facts(int pid) override {
        const auto it = table.find(pid);
        if (it == table.end()) return std::nullopt;
        return it->second;
    }
    SignalOutcome signal(const ProcessRef& p, ProcessSignal sig) override {
        const auto it = table.find(p.pid);
        if (it == table.end() || it->second.startTime != p.startTime) return SignalOutcome::Gone;
        if (it->second.uid != uid) return SignalOutcome::Denied;
        log << QStringLiteral("%1 %2").arg(QLatin1String(signalName(sig))).arg(p.pid);
        char& state = it->second.state;
        if (sig == ProcessSignal::Stop) state = 'T';
        if (sig == ProcessSignal::Continue && state == 'T') state = 'S';
        if (sig == ProcessSignal::Kill || (sig == ProcessSignal::Terminate && endsOnTerm)) table.erase(it);
        return SignalOutcome::Sent;
    }
    int ownPid() override { return own; }
    unsigned ownUid() override { return uid; }

    std::map<int, ProcessFacts> table;
    QStringList log;  // "STOP 42" ...
    int own = 1000;
    unsigned uid = 1000;
    bool endsOnTerm = true;
};

class FakeUserUnits : public UserUnits {
public:
    void freeze(const QString& unit, Done done) override { answer(QStringLiteral("FreezeUnit ") + unit, std::move(done)); }
    void thaw(const QString& unit, Done done) override { answer(QStringLiteral("ThawUnit ") + unit, std::move(done)); }
    void kill(const QString& unit, ProcessSignal sig, Done done) override {
        answer(QStringLiteral("KillUnit %1 %2").arg(unit, QLatin1String(signalName(sig))), std::move(done));
    }
    UnitResult thawNow(const QString& unit) override {
        calls << QStringLiteral("ThawUnit ") + unit;
        return resultFor(QStringLiteral("ThawUnit"));
    }
    void watchResults(bool on, Ended e) override {
        calls << (on ? QStringLiteral("Subscribe") : QStringLiteral("Unsubscribe"));
        ended = on ? std::move(e) : Ended();
    }
    Ended ended;
    // Delivers the answers held back.
    void deliver() {
        auto p = std::move(pending);
        pending.clear();
        for (auto& f : p) f();
    }

    QStringList calls;
    // Answers by method name ("FreezeUnit"...); Done where none is set.
    QMap<QString, UnitResult> results;
    bool holdAnswers = false;
    std::vector<std::function<void()>> pending;

private:
    UnitResult resultFor(const QString& method) const {
        return results.value(method, UnitResult{UnitOutcome::Done, {}});
    }
    void answer(const QString& call, Done done) {
        calls << call;
        const UnitResult r = resultFor(call.section(QLatin1Char(' '), 0, 0));
        if (holdAnswers)
            pending.push_back([done = std::move(done), r] { done(r); });
        else
            done(r);
    }
};

class FakeAppWindows : public AppWindows {
public:
    bool hasWindow(const std::vector<int>& pids) override {
        return std::any_of(pids.begin(), pids.end(), [&](int p) { return windowed.contains(p); });
    }
    int closeWindows(const std::vector<int>& pids) override {
        int n = 0;
        for (int p : pids)
            if (windowed.contains(p)) {
                closed << p;
                ++n;
            }
        return n;
    }
    QList<int> windowed;
    QList<int> closed;
};

// Asked from a worker thread too: the count is atomic; set `k` while no
// question is under way.
class FakeDesktopPeers : public DesktopPeers {
public:
    DesktopKeepers keepers() override {
        ++asked;
        return k;
    }
    DesktopKeepers k;
    std::atomic<int> asked = 0;
};

class FakeKernelCounters : public KernelCounters {
public:
    std::optional<std::uint64_t> oomKills() override {
        ++reads;
        return kills;
    }
    std::optional<std::uint64_t> kills = 0;
    int reads = 0;
};

}  // namespace ostra

// The user's service manager (systemd's user instance on the session bus):
// freezing, thawing and signalling a unit the desktop started an
// application in. Every call is bounded in time: without a manager, or
// with one that does not answer, it fails and the caller goes on.
#pragma once

#include "platform/process_control.h"

#include <QString>

#include <functional>

namespace ostra {

enum class UnitOutcome {
    Done,
    Refused,    // the manager answered with an error (no freezer, no such unit...)
    NoManager,  // nobody answered on the bus in time
};

struct UnitResult {
    UnitOutcome outcome = UnitOutcome::NoManager;
    QString error;  // the manager's error name and message, when it refused
};

class UserUnits {
public:
    virtual ~UserUnits() = default;
    using Done = std::function<void(const UnitResult&)>;
    // Each returns at once; `done` runs on the user-interface thread once
    // the manager answered or the time ran out.
    virtual void freeze(const QString& unit, Done done) = 0;
    virtual void thaw(const QString& unit, Done done) = 0;
    // The signal to every process of the unit.
    virtual void kill(const QString& unit, ProcessSignal sig, Done done) = 0;
    // Thaws and waits for the answer (at most a couple of seconds): for the
    // program's end, when no event loop will deliver an answer.
    virtual UnitResult thawNow(const QString& unit) = 0;
    // While on, `ended` runs on the user-interface thread for each unit
    // whose result the manager reports ("oom-kill", "success"...). Off
    // again, nothing of it is left on the bus.
    using Ended = std::function<void(const QString& unit, const QString& result)>;
    virtual void watchResults(bool on, Ended ended) = 0;
};

}  // namespace ostra

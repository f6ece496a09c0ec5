// Saying what the kernel's out-of-memory killer ended. The kernel's count
// of such kills is read every few seconds with the monitor's tick (no timer
// of its own); while the load is within 10 points of the limit, or a
// warning is open, the applications are scanned at most every 10 s, so
// that when the count rises the largest application that vanished since
// the last look can be named in a notification. A unit that the user
// manager reports ended with the result "oom-kill" is told the same way.
#pragma once

#include "grow/applications.h"
#include "platform/clock.h"
#include "platform/desktop_notifier.h"
#include "platform/kernel_counters.h"
#include "platform/user_units.h"

#include <QObject>
#include <QString>

#include <functional>
#include <limits>
#include <optional>

namespace ostra::act {

inline const char* const kOomSummary = "Memory ran out";
inline const char* const kOomUnknownBody = "A program was ended to free memory.";
inline const char* const kOomActionLabel = "What grew";

// "<Name> was ended to free memory. It held <size>."
QString oomBody(const QString& name, std::int64_t bytes);

// The largest application of `before` that is not in `after`; nothing when
// none vanished.
std::optional<grow::AppMemory> largestVanished(const grow::Snapshot& before, const grow::Snapshot& after);

class OomWatch : public QObject {
    Q_OBJECT
public:
    // Takes a snapshot off the user-interface thread and hands it back on it.
    using Scanner = std::function<void(std::function<void(grow::Snapshot)>)>;
    struct Deps {
        KernelCounters& counters;
        DesktopNotifier& notifier;
        Clock& clock;
        UserUnits& units;
        Scanner scan;
    };
    static constexpr int kReadSeconds = 2;
    static constexpr int kScanSeconds = 10;
    static constexpr int kNearPoints = 10;
    // An older look names nothing: what vanished since may have been closed.
    static constexpr int kFreshSeconds = 30;
    // The units' results are heard from the first near tick until a minute
    // after the last.
    static constexpr int kHearSeconds = 60;

    explicit OomWatch(Deps deps, QObject* parent = nullptr);
    ~OomWatch() override;

    // Each monitor tick: the load now, the load limit (nothing when the
    // load warning is off) and whether a warning is open.
    void tick(int load, std::optional<int> limit, bool warningOpen);
    // The user manager says a unit ended with `result`.
    void unitEnded(const QString& unit, const QString& result);

signals:
    // The kernel (or the user manager) ended a program to free memory.
    void oomKill();
    // The notification's "What grew" was chosen.
    void openRequested();
    // What the notification of a kill said: the application that vanished
    // and what it held, or nothing when it could not be named.
    void killTold(std::optional<ostra::grow::AppMemory> app);

private:
    void look(std::function<void(const grow::Snapshot&)> then);
    void killed(const QString& unitKey);
    void notify(const QString& body);

    Deps d_;
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min() / 2;
    std::int64_t lastRead_ = kNever;
    std::optional<std::uint64_t> count_;
    std::int64_t lastScan_ = kNever;
    bool scanning_ = false;
    bool naming_ = false;
    grow::Snapshot last_;
    std::int64_t lastTime_ = kNever;
    std::int64_t nearUntil_ = kNever;
    bool hearing_ = false;
};

}  // namespace ostra::act

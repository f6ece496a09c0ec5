// What grew since the start point: a snapshot of the memory per
// application at each fresh start point, a fresh one every 5 s while the
// window is open, and a desktop notification naming the top three when a
// limit warning opens. Every scan runs on a worker thread of its own (let
// go soon after), so a scan never delays a tick and nothing runs at rest.
#pragma once

#include "grow/app_index.h"
#include "grow/growth.h"
#include "platform/clock.h"
#include "platform/desktop_entries.h"
#include "platform/desktop_notifier.h"
#include "platform/process_memory.h"

#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

namespace ostra::grow {

class GrowWatch : public QObject {
    Q_OBJECT
public:
    struct Deps {
        ProcessMemory& memory;
        DesktopEntries& entries;
        DesktopNotifier& notifier;
        Clock& clock;
    };
    static constexpr int kRefreshMs = 5000;

    explicit GrowWatch(Deps deps, QObject* parent = nullptr);
    ~GrowWatch() override;

    // A fresh start point at `load`: its snapshot is taken now.
    void markStart(int load);
    // The window is open: a scan at once and every 5 s until it closes.
    void setWatching(bool on);
    // While the window is open: a scan at once, the next 5 s after it.
    void refreshNow();
    // A limit warning opened at `load`: the notification, when it is on.
    void warningOpened(int load);
    // A warning opened: the rows brought up to date, then warningScanned().
    // One scan serves this and the notification of the same warning.
    void scanForWarning();

    // Whether an application may be paused: the notification then offers
    // "Pause <Name>" for the one that grew most.
    void setPauseOffer(std::function<bool(const grow::GrowthRow&)> mayPause) { mayPause_ = std::move(mayPause); }

    bool notifyOn() const { return notify_; }
    void setNotifyOn(bool on) { notify_ = on; }

    const std::vector<grow::GrowthRow>& rows() const { return rows_; }
    QString startPointText() const;
    int unreadable() const { return now_.unreadable; }
    // Blocks until every scan asked for so far has been delivered (tests).
    void waitForScans();

    // Groups one scan (the worker's part of a snapshot), the index of the
    // desktop's names brought up to date first.
    static grow::Snapshot collect(ProcessMemory& memory, grow::AppIndex& index);

signals:
    // New rows, start-point text or unreadable count.
    void changed();
    // The notification's "What grew" was chosen.
    void openRequested();
    // Its "Pause <Name>" was chosen.
    void pauseRequested(const ostra::grow::GrowthRow& row);
    // The scan asked for by scanForWarning() is in the rows.
    void warningScanned();

private:
    void scan(std::function<void(grow::Snapshot)> done);
    void compare(grow::Snapshot now);
    // A scan for a warning; `then` runs once the rows hold it.
    void warningScan(std::function<void()> then);

    Deps d_;
    bool notify_ = true;
    std::function<bool(const grow::GrowthRow&)> mayPause_;
    grow::Snapshot start_;
    grow::Snapshot now_;
    LocalTime startTime_;
    int startLoad_ = -1;  // -1: no start point yet
    std::vector<grow::GrowthRow> rows_;
    std::unique_ptr<Timer> refresh_;
    grow::AppIndex index_;  // used by the scans' worker only
    int pending_ = 0;
    std::vector<std::function<void()>> warningWaiters_;  // a warning's scan is under way while not empty
    QThreadPool pool_;
};

}  // namespace ostra::grow

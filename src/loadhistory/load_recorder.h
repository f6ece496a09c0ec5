// The day of load history: a sample once a second whatever the main
// window's state. While the monitor ticks, each tick hands its load here;
// while its tick is idle (the main window hidden) or before it first runs,
// the recorder reads the load itself on the same once-a-second wake-up. To
// each sample it adds the memory pressure and at most one event; the ring
// is read from the data folder at start, written back every ten minutes
// and at close, and a span of it is exported as CSV through the save
// dialog.
#pragma once

#include "loadhistory/load_ring.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/load_source.h"
#include "platform/pressure_source.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace ostra::loadhistory {

inline const char* const kHistoryFileName = "load-history.txt";
inline const char* const kExportTitle = "Export CSV";

class LoadRecorder : public QObject {
    Q_OBJECT
public:
    struct Deps {
        PressureSource& pressure;
        Clock& clock;
        Files& files;
        Dialogs& dialogs;
        QString path;  // the history file
        // The recorder's own reading, when the monitor's tick does not
        // read; none: only the tick's samples are recorded.
        LoadSource* load = nullptr;
    };
    explicit LoadRecorder(Deps deps, QObject* parent = nullptr);
    ~LoadRecorder() override;

    // The pressure is read afresh once in this many seconds: the kernel
    // brings its averages up to date every two.
    static constexpr std::int64_t kPressureSeconds = 2;
    // The ring is written to its file once in this many seconds.
    static constexpr std::int64_t kSaveSeconds = 600;

    // Reads the load itself once a second (on a wall-clock timer, so on the
    // wake-up every such timer of the program shares) until the monitor's
    // tick first arrives, through record() or tickIdle().
    void start();
    // A tick's sample: NowLoad.
    void record(int load);
    // A tick that found the main window hidden: the load read here.
    void tickIdle();

    // The events. A second holds one: a second event in the same second
    // goes to the next second that has none.
    void markStartPoint();
    // A load or rise warning came up (or still stands): one "warning" until
    // it is acknowledged or its window closes.
    void limitWarning();
    // "OK" of the warning window: "acknowledged" when a load or rise
    // warning stands (not for the rest reminder alone).
    void acknowledge();
    // The warning window closed.
    void warningClosed();
    // The out-of-memory killer ended a program: "oom-kill".
    void oomKill();
    bool warningStanding() const { return standing_; }

    // The file into the (empty) ring; returns the samples kept.
    int load();
    // Written here and now (after a write in the background has ended).
    bool save();
    // Waits until a write in the background has ended.
    void finishSaving();
    // The seconds from..to as CSV, to a file the user chooses; false when
    // cancelled or not written.
    bool exportCsv(std::int64_t from, std::int64_t to);

    const LoadRing& ring() const { return ring_; }
    std::int64_t now() { return d_.clock.unixTime(); }

signals:
    // A sample was added (once a second).
    void recorded();

private:
    void add(int load);
    void ownReading();
    void mark(unsigned event);
    void stopOwnTimer();
    // A copy of the ring written by a worker: the tick waits neither for
    // the text nor for the disk.
    void saveInBackground();

    Deps d_;
    LoadRing ring_;
    std::vector<unsigned> pending_;  // events waiting for a second of their own, oldest first
    bool standing_ = false;
    std::unique_ptr<Timer> own_;
    int pressure_ = -1;
    std::int64_t pressureTime_ = std::numeric_limits<std::int64_t>::min() / 2;
    std::int64_t savedAt_;
    QThreadPool writer_;  // one thread, only while it writes
};

}  // namespace ostra::loadhistory

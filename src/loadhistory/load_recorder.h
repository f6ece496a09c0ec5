// The day of load history: each monitor tick hands its load here, which
// adds the memory pressure and the events since the last tick and records
// one sample; the ring is read from the data folder at start and written
// back at close, and a span of it is exported as CSV through the save
// dialog. No timer of its own: without ticks nothing happens.
#pragma once

#include "loadhistory/load_ring.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/pressure_source.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <limits>

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
    };
    explicit LoadRecorder(Deps deps, QObject* parent = nullptr);

    // One tick's sample.
    void record(int load);
    // Events between ticks go to the sample of their second.
    void mark(unsigned events);
    // The file into the (empty) ring; returns the samples kept.
    int load();
    bool save();
    // The seconds from..to as CSV, to a file the user chooses; false when
    // cancelled or not written.
    bool exportCsv(std::int64_t from, std::int64_t to);

    const LoadRing& ring() const { return ring_; }
    std::int64_t now() { return d_.clock.unixTime(); }

signals:
    // A sample was added (at each tick).
    void recorded();

private:
    Deps d_;
    LoadRing ring_;
    unsigned pending_ = 0;
    bool warningOn_ = false;
    static constexpr std::int64_t kPressureSeconds = 10;
    int pressure_ = -1;
    std::int64_t pressureTime_ = std::numeric_limits<std::int64_t>::min() / 2;
};

}  // namespace ostra::loadhistory

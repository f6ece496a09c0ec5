// Snapshots of the memory per application taken on a worker thread (let go
// 2 s after its last scan) and handed back on the user-interface thread.
#pragma once

#include "grow/applications.h"
#include "platform/desktop_entries.h"
#include "platform/process_memory.h"

#include <QObject>
#include <QThreadPool>

#include <functional>

namespace ostra::act {

class SnapshotScanner : public QObject {
    Q_OBJECT
public:
    SnapshotScanner(ProcessMemory& memory, DesktopEntries& entries, QObject* parent = nullptr);
    ~SnapshotScanner() override;
    // `done` runs on this object's thread; never after this object is gone.
    void scan(std::function<void(grow::Snapshot)> done);

private:
    ProcessMemory& memory_;
    grow::AppIndex index_;  // used by the worker only
    QThreadPool pool_;
};

}  // namespace ostra::act

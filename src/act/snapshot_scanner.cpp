#include "act/snapshot_scanner.h"

#include "grow/grow_watch.h"

#include <QPointer>

namespace ostra::act {

SnapshotScanner::SnapshotScanner(ProcessMemory& memory, DesktopEntries& entries, QObject* parent)
    : QObject(parent), memory_(memory), index_(entries) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(2000);
}

SnapshotScanner::~SnapshotScanner() { pool_.waitForDone(); }

void SnapshotScanner::scan(std::function<void(grow::Snapshot)> done) {
    QPointer<SnapshotScanner> self(this);
    ProcessMemory& memory = memory_;
    grow::AppIndex& index = index_;
    pool_.start([self, &memory, &index, done = std::move(done), receiver = this] {
        grow::Snapshot s = grow::GrowWatch::collect(memory, index);
        QMetaObject::invokeMethod(
            receiver,
            [self, done, s = std::move(s)]() mutable {
                if (self) done(std::move(s));
            },
            Qt::QueuedConnection);
    });
}

}  // namespace ostra::act

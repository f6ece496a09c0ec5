#include "act/peer_cache.h"

#include <QPointer>

namespace ostra::act {

PeerCache::PeerCache(DesktopPeers& peers, Clock& clock, QObject* parent)
    : QObject(parent), peers_(peers), clock_(clock) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(2000);
}

PeerCache::~PeerCache() { pool_.waitForDone(); }

DesktopKeepers PeerCache::keepers() {
    if (!kept_) {
        keep(peers_.keepers());
        return *kept_;
    }
    const std::int64_t age = clock_.unixTime() - keptAt_;
    // A clock set back counts as old too.
    if (age >= kFreshSeconds || age < 0) refresh();
    return *kept_;
}

void PeerCache::refresh() {
    if (asking_) return;
    asking_ = true;
    QPointer<PeerCache> self(this);
    DesktopPeers& peers = peers_;
    pool_.start([self, &peers, receiver = this] {
        const DesktopKeepers found = peers.keepers();
        QMetaObject::invokeMethod(
            receiver,
            [self, found] {
                if (!self) return;
                self->asking_ = false;
                self->keep(found);
            },
            Qt::QueuedConnection);
    });
}

void PeerCache::keep(const DesktopKeepers& found) {
    const bool differs = kept_ && !(*kept_ == found);
    kept_ = found;
    keptAt_ = clock_.unixTime();
    if (differs) emit changed();
}

}  // namespace ostra::act

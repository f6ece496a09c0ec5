// The desktop's own programs as last found, for the protected list.
// Finding them asks the display and the session bus, and a hung bus holds
// each question up to half a second: so the set is kept, and asked again
// on a worker thread once it is 30 s old, while the kept one serves. The
// caller waits only when none has been found yet.
#pragma once

#include "platform/app_windows.h"
#include "platform/clock.h"

#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <optional>

namespace ostra::act {

class PeerCache : public QObject, public DesktopPeers {
    Q_OBJECT
public:
    static constexpr int kFreshSeconds = 30;

    PeerCache(DesktopPeers& peers, Clock& clock, QObject* parent = nullptr);
    // Waits for a question under way.
    ~PeerCache() override;

    // The set kept; a new one is asked for in the background when it is
    // old. Asks at once, and waits, only when none is kept.
    DesktopKeepers keepers() override;
    // Asks in the background now unless a question is under way (so that
    // the first look finds the set already kept).
    void refresh();

signals:
    // A set that differs from the one kept came in.
    void changed();

private:
    void keep(const DesktopKeepers& found);

    DesktopPeers& peers_;
    Clock& clock_;
    std::optional<DesktopKeepers> kept_;
    std::int64_t keptAt_ = 0;  // the clock's seconds
    bool asking_ = false;
    QThreadPool pool_;
};

}  // namespace ostra::act

#include "tray/statusnotifier/sd_bus_pump.h"

#include <QSocketNotifier>

#include <chrono>
#include <cstdint>
#include <cstring>

#include <poll.h>
#include <systemd/sd-bus.h>

namespace ostra {

SdBusPump::SdBusPump(const char* description, QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &SdBusPump::process);
    sd_bus* bus = nullptr;
    const int r = sd_bus_open_user(&bus);
    if (r < 0) {
        qWarning("tray item: no session bus: %s", std::strerror(-r));
        return;
    }
    bus_ = bus;
    sd_bus_set_description(bus_, description);
    const int fd = sd_bus_get_fd(bus_);
    if (fd < 0) {
        qWarning("tray item: cannot set up the bus connection: %s", std::strerror(-fd));
        close();
        return;
    }
    readable_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, &SdBusPump::process);
    writable_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, &SdBusPump::process);
    wake();
}

SdBusPump::~SdBusPump() { close(); }

void SdBusPump::close() {
    if (!bus_) return;
    emit closing();
    deadline_.stop();
    // The notifiers stop before the socket they watch closes; they are
    // deleted later, as this may run from their own signal.
    for (QSocketNotifier* n : {readable_, writable_}) {
        if (!n) continue;
        n->setEnabled(false);
        n->deleteLater();
    }
    readable_ = writable_ = nullptr;
    bus_ = sd_bus_flush_close_unref(bus_);
}

// Handles everything that has come in, then waits for the next event.
void SdBusPump::process() {
    if (!bus_ || processing_) return;
    processing_ = true;
    int r;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    processing_ = false;
    if (r < 0) {
        // The bus went away: the item has no panel left to show it.
        qWarning("tray item: session bus lost: %s", std::strerror(-r));
        close();
        return;
    }
    wake();
}

// Writable is watched only while messages wait to go out; the timer covers
// sd-bus's own deadlines (method call timeouts, queued input).
void SdBusPump::wake() {
    if (!bus_) return;
    const int events = sd_bus_get_events(bus_);
    if (writable_) writable_->setEnabled(events > 0 && (events & POLLOUT));
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) {
        deadline_.stop();
        return;
    }
    // sd-bus deadlines are CLOCK_MONOTONIC microseconds, as steady_clock.
    const auto now = std::uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    const std::uint64_t ms = until > now ? (until - now + 999) / 1000 : 0;
    deadline_.start(int(qMin<std::uint64_t>(ms, 24u * 3600 * 1000)));
}

}  // namespace ostra

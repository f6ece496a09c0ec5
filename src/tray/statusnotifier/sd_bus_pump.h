// The tray item's own session-bus connection (sd-bus) and the pump that
// serves it from the event loop of the thread that opened it: sd-bus calls
// the handlers from process(), which runs when the socket is readable or
// writable, or a bus deadline is due. No other thread, and no
// per-message framework in between.
#pragma once

#include <QObject>
#include <QTimer>

struct sd_bus;
class QSocketNotifier;

namespace ostra {

class SdBusPump : public QObject {
    Q_OBJECT
public:
    // Opens a connection to the session bus (DBUS_SESSION_BUS_ADDRESS when
    // set, else the bus in XDG_RUNTIME_DIR); without one bus() is null.
    explicit SdBusPump(const char* description, QObject* parent = nullptr);
    ~SdBusPump() override;

    sd_bus* bus() const { return bus_; }
    // To be called after queuing messages outside a handler, so that the
    // pump waits for the socket to take them (and for their deadlines).
    void wake();
    // Flushes and closes the connection; bus() is null afterwards.
    void close();

signals:
    // The connection is about to close (close(), or the bus went away):
    // whatever hangs on it lets go now.
    void closing();

private:
    void process();

    sd_bus* bus_ = nullptr;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    QTimer deadline_;
    bool processing_ = false;
};

}  // namespace ostra

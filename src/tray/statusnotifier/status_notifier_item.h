// The tray icon as a StatusNotifierItem of the program's own, for panels
// that show D-Bus tray items: the two animation pictures, the tip, the
// popup menu (exported as a com.canonical.dbusmenu, DBusMenuExporter) and
// the clicks.
//
// The item has a session-bus connection of its own (SdBusPump), driven from
// the user-interface thread's event loop: an animation step is one NewIcon
// signal and the host's few property reads, answered from pictures
// prepared once.
#pragma once

#include "tray/statusnotifier/sd_bus_pump.h"
#include "tray/tray_animation.h"
#include "tray/tray_backend.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>

#include <memory>

class QMenu;
struct sd_bus_slot;

namespace ostra {

class DBusMenuExporter;

class StatusNotifierItem : public TrayBackend {
    Q_OBJECT
public:
    // Whether the session bus has a StatusNotifier watcher (a panel that
    // shows such items).
    static bool hostPresent();

    // Without a session bus the item stays silent: show() registers nothing.
    StatusNotifierItem(QMenu* menu, const TrayPictures& render, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Registers the item with the watcher (again after the watcher
    // restarts) / takes it away. A primary click (Activate) or a middle one
    // (SecondaryActivate) is activated().
    void show() override;
    void hide() override;
    void setToolTip(const QString& text) override;
    void setAnimated(bool on) override;
    bool animated() const override { return animated_; }
    int frame() const override { return animation_.frame(); }
    // Whether the item has its own connection to the session bus.
    bool connected() const { return pump_.bus() != nullptr; }

private:
    struct Pictures;
    struct Vtable;

    // Puts the item's object and the watch for the watcher on the bus;
    // false when that fails.
    bool exportItem();
    void runAnimation(bool on);
    void emitItemSignal(const char* member);
    void registerWithWatcher();
    // Lets go of everything the item holds on the connection.
    void dropSlots();

    QPointer<QMenu> menu_;
    const std::unique_ptr<const Pictures> pictures_;
    const QByteArray service_;
    QByteArray title_;
    bool shown_ = false;
    bool animated_ = false;
    TrayAnimation animation_;

    SdBusPump pump_;
    std::unique_ptr<DBusMenuExporter> menuExporter_;
    sd_bus_slot* itemSlot_ = nullptr;
    sd_bus_slot* watcherMatch_ = nullptr;
    sd_bus_slot* registerCall_ = nullptr;
    // Registration tries in a row that the watcher turned down.
    static constexpr int kRetries = 20;
    static constexpr int kRetryMs = 250;
    QTimer retry_;
    int tries_ = 0;
};

}  // namespace ostra

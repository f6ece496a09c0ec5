#include "tray/statusnotifier/status_notifier_item.h"

#include "tray/statusnotifier/dbus_menu_exporter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QList>
#include <QMenu>
#include <QtEndian>

#include <array>
#include <cstring>

#include <systemd/sd-bus.h>
#include <unistd.h>

namespace ostra {

namespace {

constexpr char kWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kMenuPath[] = "/MenuBar";
constexpr char kPixmapsSignature[] = "a(iiay)";

// One picture as the protocol carries it: ARGB32 in network byte order.
struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray data;
};
using Pixmaps = QList<Pixmap>;

// A picture at the sizes panels use at 1x and 2x, ready to send.
Pixmaps preparePixmaps(const TrayPictures& render, int index) {
    Pixmaps out;
    for (int side : {16, 22, 44}) {
        const QImage im = render(index, side).convertToFormat(QImage::Format_ARGB32);
        // Row by row: a QImage may pad its lines.
        QByteArray data(qsizetype(im.width()) * im.height() * 4, Qt::Uninitialized);
        auto* px = reinterpret_cast<quint32*>(data.data());
        for (int y = 0; y < im.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(im.constScanLine(y));
            for (int x = 0; x < im.width(); ++x) *px++ = qToBigEndian(line[x]);
        }
        out << Pixmap{im.width(), im.height(), data};
    }
    return out;
}

int appendPixmaps(sd_bus_message* m, const Pixmaps& pixmaps) {
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "(iiay)");
    for (const Pixmap& p : pixmaps) {
        if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_STRUCT, "iiay");
        if (r >= 0) r = sd_bus_message_append(m, "ii", p.width, p.height);
        if (r >= 0) r = sd_bus_message_append_array(m, 'y', p.data.constData(), size_t(p.data.size()));
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

}  // namespace

// The two pictures at every size, prepared once.
struct StatusNotifierItem::Pictures {
    explicit Pictures(const TrayPictures& render) : frames{preparePixmaps(render, 0), preparePixmaps(render, 1)} {}
    const std::array<Pixmaps, 2> frames;
};

// The handlers sd-bus calls, with the item as their user data. The
// properties are read when asked (no PropertiesChanged: the host hears of
// changes through the New* signals).
struct StatusNotifierItem::Vtable {
    static StatusNotifierItem* self(void* userdata) { return static_cast<StatusNotifierItem*>(userdata); }

    // The fixed strings; the names (IconName, OverlayIconName, ...) are empty.
    static int getString(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                         sd_bus_error*) {
        const char* value = "";
        if (!std::strcmp(property, "Category"))
            value = "ApplicationStatus";
        else if (!std::strcmp(property, "Id"))
            value = "ostra";
        else if (!std::strcmp(property, "Title"))
            value = "Ostra";
        else if (!std::strcmp(property, "Status"))
            value = "Active";
        return sd_bus_message_append(reply, "s", value);
    }
    static int getZero(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                       sd_bus_error*) {
        // WindowId (i) and ItemIsMenu (b).
        return sd_bus_message_append(reply, std::strcmp(property, "WindowId") ? "b" : "i", 0);
    }
    static int getNoPixmaps(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                            sd_bus_error*) {
        return appendPixmaps(reply, {});
    }
    static int getIconPixmap(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                             sd_bus_error*) {
        StatusNotifierItem* item = self(userdata);
        return appendPixmaps(reply, item->pictures_->frames[item->animation_.frame()]);
    }
    static int getToolTip(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                          sd_bus_error*) {
        int r = sd_bus_message_open_container(reply, SD_BUS_TYPE_STRUCT, "sa(iiay)ss");
        if (r >= 0) r = sd_bus_message_append(reply, "s", "");
        if (r >= 0) r = appendPixmaps(reply, {});
        if (r >= 0) r = sd_bus_message_append(reply, "ss", self(userdata)->title_.constData(), "");
        if (r >= 0) r = sd_bus_message_close_container(reply);
        return r;
    }
    static int getMenuPath(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                           sd_bus_error*) {
        return sd_bus_message_append(reply, "o", kMenuPath);
    }

    static int onActivate(sd_bus_message* m, void* userdata, sd_bus_error*) {
        StatusNotifierItem* item = self(userdata);
        // After the reply, outside sd-bus: the window may open a modal loop.
        QMetaObject::invokeMethod(
            item, [item] { emit item->activated(); }, Qt::QueuedConnection);
        return sd_bus_reply_method_return(m, "");
    }
    static int onContextMenu(sd_bus_message* m, void* userdata, sd_bus_error*) {
        int x = 0, y = 0;
        const int r = sd_bus_message_read(m, "ii", &x, &y);
        if (r < 0) return r;
        QPointer<QMenu> menu = self(userdata)->menu_;
        QMetaObject::invokeMethod(
            self(userdata),
            [menu, x, y] {
                if (menu) menu->popup(QPoint(x, y));
            },
            Qt::QueuedConnection);
        return sd_bus_reply_method_return(m, "");
    }
    static int onIgnored(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }

    // A watcher may take its name before it serves its object, and then
    // turns the call down: asked again a little later.
    static int onRegistered(sd_bus_message* m, void* userdata, sd_bus_error*) {
        StatusNotifierItem* item = self(userdata);
        item->registerCall_ = sd_bus_slot_unref(item->registerCall_);
        if (!sd_bus_message_is_method_error(m, nullptr)) {
            item->tries_ = 0;
        } else if (item->shown_ && ++item->tries_ < kRetries) {
            item->retry_.start();
        }
        return 0;
    }
    // A watcher that (re)appears gets the item again.
    static int onWatcherOwner(sd_bus_message* m, void* userdata, sd_bus_error*) {
        StatusNotifierItem* item = self(userdata);
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return 0;
        if (item->shown_ && after && *after) {
            item->tries_ = 0;
            item->retry_.stop();
            item->registerWithWatcher();
        }
        return 0;
    }

    static const sd_bus_vtable table[];
};

const sd_bus_vtable StatusNotifierItem::Vtable::table[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Id", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Title", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("WindowId", "i", &Vtable::getZero, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconName", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconPixmap", kPixmapsSignature, &Vtable::getIconPixmap, 0, 0),
    SD_BUS_PROPERTY("OverlayIconName", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("OverlayIconPixmap", kPixmapsSignature, &Vtable::getNoPixmaps, 0,
                    SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionIconName", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionIconPixmap", kPixmapsSignature, &Vtable::getNoPixmaps, 0,
                    SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionMovieName", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", &Vtable::getToolTip, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", &Vtable::getZero, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Menu", "o", &Vtable::getMenuPath, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("ContextMenu", "ii", "", &Vtable::onContextMenu, 0),
    SD_BUS_METHOD("Activate", "ii", "", &Vtable::onActivate, 0),
    // Some panels never send Activate (Xfce's "sntray" opens the menu on
    // a left click): their middle click, SecondaryActivate, runs "Show".
    SD_BUS_METHOD("SecondaryActivate", "ii", "", &Vtable::onActivate, 0),
    SD_BUS_METHOD("Scroll", "is", "", &Vtable::onIgnored, 0),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL("NewStatus", "s", 0),
    SD_BUS_VTABLE_END,
};

bool StatusNotifierItem::hostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcher));
}

StatusNotifierItem::StatusNotifierItem(QMenu* menu, const TrayPictures& render, QObject* parent)
    : TrayBackend(parent),
      menu_(menu),
      pictures_(std::make_unique<const Pictures>(render)),
      service_(QByteArrayLiteral("org.kde.StatusNotifierItem-") + QByteArray::number(::getpid()) +
               QByteArrayLiteral("-1")),
      animation_([this](int) { emitItemSignal("NewIcon"); }),
      pump_("ostra-tray") {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &StatusNotifierItem::registerWithWatcher);
    connect(&pump_, &SdBusPump::closing, this, &StatusNotifierItem::dropSlots);
    menuExporter_ = std::make_unique<DBusMenuExporter>(menu, pump_, kMenuPath);
    if (pump_.bus() && !(exportItem() && menuExporter_->exported())) {
        qWarning("tray item: cannot put the item on the session bus");
        pump_.close();
    }
}

StatusNotifierItem::~StatusNotifierItem() { pump_.close(); }

bool StatusNotifierItem::exportItem() {
    sd_bus* bus = pump_.bus();
    int r = sd_bus_add_object_vtable(bus, &itemSlot_, kItemPath, kItemInterface, Vtable::table, this);
    if (r >= 0)
        r = sd_bus_add_match_async(bus, &watcherMatch_,
                                   "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                                   "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                                   "arg0='org.kde.StatusNotifierWatcher'",
                                   &Vtable::onWatcherOwner, nullptr, this);
    pump_.wake();
    return r >= 0;
}

void StatusNotifierItem::dropSlots() {
    animation_.setRunning(false);
    retry_.stop();
    registerCall_ = sd_bus_slot_unref(registerCall_);
    watcherMatch_ = sd_bus_slot_unref(watcherMatch_);
    itemSlot_ = sd_bus_slot_unref(itemSlot_);
}

void StatusNotifierItem::show() {
    if (!shown_) {
        shown_ = true;
        if (sd_bus* bus = pump_.bus()) {
            sd_bus_request_name_async(bus, nullptr, service_.constData(), 0, nullptr, nullptr);
            tries_ = 0;
            registerWithWatcher();
        }
    }
    runAnimation(animated_);
}

void StatusNotifierItem::hide() {
    if (!shown_) return;
    shown_ = false;
    runAnimation(false);
    retry_.stop();
    registerCall_ = sd_bus_slot_unref(registerCall_);
    // The watcher forgets the item when its name goes.
    if (sd_bus* bus = pump_.bus()) sd_bus_release_name_async(bus, nullptr, service_.constData(), nullptr, nullptr);
    pump_.wake();
}

void StatusNotifierItem::setAnimated(bool on) {
    animated_ = on;
    runAnimation(on);
}

void StatusNotifierItem::runAnimation(bool on) { animation_.setRunning(on && shown_ && connected()); }

void StatusNotifierItem::setToolTip(const QString& text) {
    const QByteArray t = text.toUtf8();
    if (t == title_) return;
    title_ = t;
    emitItemSignal("NewToolTip");
}

void StatusNotifierItem::emitItemSignal(const char* member) {
    if (!pump_.bus()) return;
    sd_bus_emit_signal(pump_.bus(), kItemPath, kItemInterface, member, "");
    pump_.wake();
}

void StatusNotifierItem::registerWithWatcher() {
    if (!pump_.bus() || !shown_) return;
    registerCall_ = sd_bus_slot_unref(registerCall_);
    sd_bus_call_method_async(pump_.bus(), &registerCall_, kWatcher, kWatcherPath, kWatcher,
                             "RegisterStatusNotifierItem", &Vtable::onRegistered, this, "s", service_.constData());
    pump_.wake();
}

}  // namespace ostra

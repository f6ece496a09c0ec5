#include "tray/status_notifier_item.h"

#include <QAction>
#include <QActionGroup>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariant>
#include <QtEndian>

#include <array>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace ostra {

namespace {

constexpr char kWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kMenuInterface[] = "com.canonical.dbusmenu";
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
Pixmaps preparePixmaps(const std::function<QImage(int, int)>& render, int index) {
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

// The menu's property values: strings, numbers, flags and the shortcut
// key lists (aas).
int appendVariant(sd_bus_message* m, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
        return sd_bus_message_append(m, "v", "s", v.toString().toUtf8().constData());
    case QMetaType::Int:
        return sd_bus_message_append(m, "v", "i", v.toInt());
    case QMetaType::Bool:
        return sd_bus_message_append(m, "v", "b", int(v.toBool()));
    default:
        break;
    }
    if (v.metaType() != QMetaType::fromType<QList<QStringList>>()) return -EINVAL;
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_VARIANT, "aas");
    if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "as");
    for (const QStringList& keys : v.value<QList<QStringList>>()) {
        if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "s");
        for (const QString& k : keys)
            if (r >= 0) r = sd_bus_message_append(m, "s", k.toUtf8().constData());
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// a{sv} of `properties`, only those in `wanted` unless it is empty.
int appendProperties(sd_bus_message* m, const QVariantMap& properties, const QStringList& wanted) {
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "{sv}");
    for (auto it = properties.cbegin(); r >= 0 && it != properties.cend(); ++it) {
        if (!wanted.isEmpty() && !wanted.contains(it.key())) continue;
        r = sd_bus_message_open_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv");
        if (r >= 0) r = sd_bus_message_append(m, "s", it.key().toUtf8().constData());
        if (r >= 0) r = appendVariant(m, it.value());
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// Reads an array of strings (as) from `m`.
int readStrings(sd_bus_message* m, QStringList& out) {
    int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s");
    if (r < 0) return r;
    const char* s = nullptr;
    while ((r = sd_bus_message_read(m, "s", &s)) > 0) out << QString::fromUtf8(s);
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
}

// Answers `call` with a reply that `fill` writes.
template <typename Fill>
int replyWith(sd_bus_message* call, Fill fill) {
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0) r = fill(reply);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

}  // namespace

// The connection, the item and its menu. Everything runs on the thread
// that made the item: sd-bus calls the handlers from process() below, which
// the event loop runs when the socket is readable or writable, or a bus
// timeout is due.
class StatusNotifierItem::Impl : public QObject {
public:
    Impl(StatusNotifierItem* owner, QMenu* menu, std::array<Pixmaps, 2> frames)
        : owner_(owner),
          menu_(menu),
          frames_(std::move(frames)),
          service_(QByteArrayLiteral("org.kde.StatusNotifierItem-") + QByteArray::number(::getpid()) +
                   QByteArrayLiteral("-1")) {
        animation_.setInterval(150);
        animation_.setTimerType(Qt::PreciseTimer);
        connect(&animation_, &QTimer::timeout, this, [this] {
            frame_ = 1 - frame_;
            emitSignal(kItemPath, kItemInterface, "NewIcon");
        });
        announce_.setSingleShot(true);
        announce_.setInterval(0);
        connect(&announce_, &QTimer::timeout, this, [this] {
            ++revision_;
            if (bus_) sd_bus_emit_signal(bus_, kMenuPath, kMenuInterface, "LayoutUpdated", "ui", revision_, 0);
            rearm();
        });
        busTimer_.setSingleShot(true);
        connect(&busTimer_, &QTimer::timeout, this, &Impl::process);
        retry_.setSingleShot(true);
        retry_.setInterval(kRetryMs);
        connect(&retry_, &QTimer::timeout, this, &Impl::registerWithWatcher);
        if (menu_) watch(menu_);
        open();
    }

    ~Impl() override { close(); }

    bool connected() const { return bus_ != nullptr; }
    int frame() const { return frame_; }

    void show() {
        if (shown_) return;
        shown_ = true;
        if (!bus_) return;
        sd_bus_request_name_async(bus_, nullptr, service_.constData(), 0, nullptr, nullptr);
        tries_ = 0;
        registerWithWatcher();
    }

    void hide() {
        if (!shown_) return;
        shown_ = false;
        animate(false);
        retry_.stop();
        registerCall_ = sd_bus_slot_unref(registerCall_);
        // The watcher forgets the item when its name goes.
        if (bus_) sd_bus_release_name_async(bus_, nullptr, service_.constData(), nullptr, nullptr);
        rearm();
    }

    void animate(bool on) {
        on = on && shown_ && bus_;
        if (on && !animation_.isActive()) animation_.start();
        if (!on) animation_.stop();
    }

    void setTitle(const QString& title) {
        const QByteArray t = title.toUtf8();
        if (t == title_) return;
        title_ = t;
        emitSignal(kItemPath, kItemInterface, "NewToolTip");
    }

    bool eventFilter(QObject*, QEvent* e) override {
        const QEvent::Type t = e->type();
        if (t == QEvent::ActionAdded || t == QEvent::ActionRemoved || t == QEvent::ActionChanged) {
            if (t == QEvent::ActionAdded) watchSubmenus();
            announce_.start();
        }
        return false;
    }

private:
    // ------------------------------------------------------- connection

    void open() {
        // sd_bus_open_user takes DBUS_SESSION_BUS_ADDRESS when it is set,
        // else the bus in XDG_RUNTIME_DIR.
        sd_bus* bus = nullptr;
        int r = sd_bus_open_user(&bus);
        if (r < 0) {
            qWarning("tray item: no session bus: %s", std::strerror(-r));
            return;
        }
        bus_ = bus;
        sd_bus_set_description(bus_, "ostra-tray");
        r = sd_bus_add_object_vtable(bus_, &itemSlot_, kItemPath, kItemInterface, itemVtable, this);
        if (r >= 0) r = sd_bus_add_object_vtable(bus_, &menuSlot_, kMenuPath, kMenuInterface, menuVtable, this);
        // A watcher that (re)appears gets the item again.
        if (r >= 0)
            r = sd_bus_add_match_async(bus_, &watcherMatch_,
                                       "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                                       "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                                       "arg0='org.kde.StatusNotifierWatcher'",
                                       &Impl::onWatcherOwner, nullptr, this);
        const int fd = r >= 0 ? sd_bus_get_fd(bus_) : -1;
        if (fd < 0) {
            qWarning("tray item: cannot set up the bus connection: %s", std::strerror(r < 0 ? -r : -fd));
            close();
            return;
        }
        readable_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(readable_, &QSocketNotifier::activated, this, &Impl::process);
        writable_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        writable_->setEnabled(false);
        connect(writable_, &QSocketNotifier::activated, this, &Impl::process);
        rearm();
    }

    void close() {
        animation_.stop();
        busTimer_.stop();
        retry_.stop();
        // The notifiers stop before the socket they watch closes; they are
        // deleted later, as this may run from their own signal.
        for (QSocketNotifier* n : {readable_, writable_}) {
            if (!n) continue;
            n->setEnabled(false);
            n->deleteLater();
        }
        readable_ = writable_ = nullptr;
        registerCall_ = sd_bus_slot_unref(registerCall_);
        watcherMatch_ = sd_bus_slot_unref(watcherMatch_);
        menuSlot_ = sd_bus_slot_unref(menuSlot_);
        itemSlot_ = sd_bus_slot_unref(itemSlot_);
        if (bus_) bus_ = sd_bus_flush_close_unref(bus_);
    }

    // Handles everything that has come in, then waits for the next event.
    void process() {
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
        rearm();
    }

    // Writable is watched only while messages wait to go out; the timer
    // covers sd-bus's own deadlines (method call timeouts, queued input).
    void rearm() {
        if (!bus_) return;
        const int events = sd_bus_get_events(bus_);
        if (writable_) writable_->setEnabled(events > 0 && (events & POLLOUT));
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) {
            busTimer_.stop();
            return;
        }
        // sd-bus deadlines are CLOCK_MONOTONIC microseconds, as steady_clock.
        const auto now = std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
        const std::uint64_t ms = until > now ? (until - now + 999) / 1000 : 0;
        busTimer_.start(int(qMin<std::uint64_t>(ms, 24u * 3600 * 1000)));
    }

    void emitSignal(const char* path, const char* interface, const char* member) {
        if (!bus_) return;
        sd_bus_emit_signal(bus_, path, interface, member, "");
        rearm();
    }

    void registerWithWatcher() {
        if (!bus_ || !shown_) return;
        registerCall_ = sd_bus_slot_unref(registerCall_);
        sd_bus_call_method_async(bus_, &registerCall_, kWatcher, kWatcherPath, kWatcher,
                                 "RegisterStatusNotifierItem", &Impl::onRegistered, this, "s", service_.constData());
        rearm();
    }

    // A watcher may take its name before it serves its object, and then
    // turns the call down: asked again a little later.
    static int onRegistered(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        self->registerCall_ = sd_bus_slot_unref(self->registerCall_);
        if (!sd_bus_message_is_method_error(m, nullptr)) {
            self->tries_ = 0;
        } else if (self->shown_ && ++self->tries_ < kRetries) {
            self->retry_.start();
        }
        return 0;
    }

    static int onWatcherOwner(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return 0;
        if (self->shown_ && after && *after) {
            self->tries_ = 0;
            self->retry_.stop();
            self->registerWithWatcher();
        }
        return 0;
    }

    // ------------------------------------------------------------- item

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
        auto* self = static_cast<Impl*>(userdata);
        return appendPixmaps(reply, self->frames_[self->frame_]);
    }
    static int getToolTip(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                          sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        int r = sd_bus_message_open_container(reply, SD_BUS_TYPE_STRUCT, "sa(iiay)ss");
        if (r >= 0) r = sd_bus_message_append(reply, "s", "");
        if (r >= 0) r = appendPixmaps(reply, {});
        if (r >= 0) r = sd_bus_message_append(reply, "ss", self->title_.constData(), "");
        if (r >= 0) r = sd_bus_message_close_container(reply);
        return r;
    }
    static int getMenuPath(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                           sd_bus_error*) {
        return sd_bus_message_append(reply, "o", kMenuPath);
    }

    static int onActivate(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        // After the reply, outside sd-bus: the window may open a modal loop.
        QMetaObject::invokeMethod(self->owner_, [o = self->owner_] { emit o->activated(); }, Qt::QueuedConnection);
        return sd_bus_reply_method_return(m, "");
    }
    static int onContextMenu(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        int x = 0, y = 0;
        const int r = sd_bus_message_read(m, "ii", &x, &y);
        if (r < 0) return r;
        QPointer<QMenu> menu = self->menu_;
        QMetaObject::invokeMethod(
            self, [menu, x, y] { if (menu) menu->popup(QPoint(x, y)); }, Qt::QueuedConnection);
        return sd_bus_reply_method_return(m, "");
    }
    static int onIgnored(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }

    static const sd_bus_vtable itemVtable[];

    // ------------------------------------------------------------- menu

    static int getMenuVersion(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                              sd_bus_error*) {
        return sd_bus_message_append(reply, "u", 3u);
    }
    static int getMenuString(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                             sd_bus_error*) {
        return sd_bus_message_append(reply, "s", std::strcmp(property, "TextDirection") ? "normal" : "ltr");
    }
    static int getMenuThemePath(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                                sd_bus_error*) {
        return sd_bus_message_append(reply, "as", 0);
    }

    static int onGetLayout(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        int parent = 0, depth = 0;
        QStringList wanted;
        int r = sd_bus_message_read(m, "ii", &parent, &depth);
        if (r >= 0) r = readStrings(m, wanted);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            const int w = sd_bus_message_append(reply, "u", self->revision_);
            return w < 0 ? w : self->appendLayout(reply, parent, depth, wanted);
        });
    }
    static int onGetGroupProperties(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        QList<int> ids;
        QStringList wanted;
        int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "i");
        if (r < 0) return r;
        int id = 0;
        while ((r = sd_bus_message_read(m, "i", &id)) > 0) ids << id;
        if (r >= 0) r = sd_bus_message_exit_container(m);
        if (r >= 0) r = readStrings(m, wanted);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            int w = sd_bus_message_open_container(reply, SD_BUS_TYPE_ARRAY, "(ia{sv})");
            for (int i : ids) {
                QAction* a = self->action(i);
                if (!a || w < 0) continue;
                w = sd_bus_message_open_container(reply, SD_BUS_TYPE_STRUCT, "ia{sv}");
                if (w >= 0) w = sd_bus_message_append(reply, "i", i);
                if (w >= 0) w = appendProperties(reply, properties(a), wanted);
                if (w >= 0) w = sd_bus_message_close_container(reply);
            }
            return w < 0 ? w : sd_bus_message_close_container(reply);
        });
    }
    static int onGetProperty(sd_bus_message* m, void* userdata, sd_bus_error* error) {
        auto* self = static_cast<Impl*>(userdata);
        int id = 0;
        const char* name = nullptr;
        int r = sd_bus_message_read(m, "is", &id, &name);
        if (r < 0) return r;
        QAction* a = self->action(id);
        const QVariant v = a ? properties(a).value(QString::fromUtf8(name)) : QVariant();
        if (!v.isValid())
            return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "no property %s on entry %d", name, id);
        return replyWith(m, [&](sd_bus_message* reply) { return appendVariant(reply, v); });
    }
    static int onEvent(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        int id = 0;
        const char* what = nullptr;
        // The event's data and time are not used.
        const int r = sd_bus_message_read(m, "is", &id, &what);
        if (r < 0) return r;
        self->event(id, what);
        return sd_bus_reply_method_return(m, "");
    }
    static int onEventGroup(sd_bus_message* m, void* userdata, sd_bus_error*) {
        auto* self = static_cast<Impl*>(userdata);
        QList<int> unknown;
        int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "(isvu)");
        if (r < 0) return r;
        while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_STRUCT, "isvu")) > 0) {
            int id = 0;
            const char* what = nullptr;
            r = sd_bus_message_read(m, "is", &id, &what);
            if (r >= 0) r = sd_bus_message_skip(m, "vu");
            if (r >= 0) r = sd_bus_message_exit_container(m);
            if (r < 0) return r;
            if (!self->event(id, what)) unknown << id;
        }
        if (r >= 0) r = sd_bus_message_exit_container(m);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            int w = sd_bus_message_open_container(reply, SD_BUS_TYPE_ARRAY, "i");
            for (int id : unknown)
                if (w >= 0) w = sd_bus_message_append(reply, "i", id);
            return w < 0 ? w : sd_bus_message_close_container(reply);
        });
    }
    static int onAboutToShow(sd_bus_message* m, void*, sd_bus_error*) {
        return sd_bus_reply_method_return(m, "b", 0);
    }
    static int onAboutToShowGroup(sd_bus_message* m, void*, sd_bus_error*) {
        return sd_bus_reply_method_return(m, "aiai", 0, 0);
    }

    static const sd_bus_vtable menuVtable[];

    void watch(QMenu* m) {
        if (watched_.contains(m)) return;
        watched_ << m;
        m->installEventFilter(this);
        watchSubmenus();
    }
    void watchSubmenus() {
        const QList<QPointer<QMenu>> menus = watched_;
        for (const QPointer<QMenu>& m : menus)
            if (m)
                for (QAction* a : m->actions())
                    if (a->menu()) watch(a->menu());
    }

    // An entry keeps its id for as long as it lives.
    int idOf(QAction* a) {
        auto it = ids_.find(a);
        if (it != ids_.end()) return *it;
        const int id = nextId_++;
        ids_.insert(a, id);
        actions_.insert(id, a);
        return id;
    }
    QAction* action(int id) const { return actions_.value(id).data(); }

    // The host's names: '&' marks the mnemonic as '_' does there.
    static QString label(const QString& text) {
        QString out;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('_')) {
                out += QStringLiteral("__");
            } else if (c == QLatin1Char('&') && i + 1 < text.size()) {
                out += text[++i] == QLatin1Char('&') ? QStringLiteral("&") : QLatin1Char('_') + text.mid(i, 1);
            } else {
                out += c;
            }
        }
        return out;
    }

    static QList<QStringList> shortcut(const QKeySequence& keys) {
        QList<QStringList> out;
        for (int i = 0; i < keys.count(); ++i) {
            const QKeyCombination k = keys[i];
            QStringList tokens;
            const Qt::KeyboardModifiers mods = k.keyboardModifiers();
            if (mods & Qt::ControlModifier) tokens << QStringLiteral("Control");
            if (mods & Qt::AltModifier) tokens << QStringLiteral("Alt");
            if (mods & Qt::ShiftModifier) tokens << QStringLiteral("Shift");
            if (mods & Qt::MetaModifier) tokens << QStringLiteral("Super");
            tokens << QKeySequence(k.key()).toString(QKeySequence::PortableText);
            out << tokens;
        }
        return out;
    }

    static QVariantMap properties(QAction* a) {
        QVariantMap p;
        if (a->isSeparator()) {
            p.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            p.insert(QStringLiteral("label"), label(a->text()));
            if (a->menu()) p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
            if (a->isCheckable()) {
                p.insert(QStringLiteral("toggle-type"),
                         a->actionGroup() && a->actionGroup()->isExclusive() ? QStringLiteral("radio")
                                                                             : QStringLiteral("checkmark"));
                p.insert(QStringLiteral("toggle-state"), a->isChecked() ? 1 : 0);
            }
            if (!a->shortcut().isEmpty())
                p.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcut(a->shortcut())));
        }
        if (!a->isEnabled()) p.insert(QStringLiteral("enabled"), false);
        if (!a->isVisible()) p.insert(QStringLiteral("visible"), false);
        return p;
    }

    // (ia{sv}av): the entry `id` (0: the menu itself) with its children
    // `depth` levels down (-1: all).
    int appendLayout(sd_bus_message* m, int id, int depth, const QStringList& wanted) {
        QMenu* menu = menu_;
        QVariantMap props;
        if (id != 0) {
            QAction* a = action(id);
            menu = a ? a->menu() : nullptr;
            if (a) props = properties(a);
        } else {
            props.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
        int r = sd_bus_message_open_container(m, SD_BUS_TYPE_STRUCT, "ia{sv}av");
        if (r >= 0) r = sd_bus_message_append(m, "i", id);
        if (r >= 0) r = appendProperties(m, props, wanted);
        if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "v");
        if (menu && depth != 0) {
            for (QAction* child : menu->actions()) {
                if (r < 0) break;
                r = sd_bus_message_open_container(m, SD_BUS_TYPE_VARIANT, "(ia{sv}av)");
                if (r >= 0) r = appendLayout(m, idOf(child), depth < 0 ? -1 : depth - 1, wanted);
                if (r >= 0) r = sd_bus_message_close_container(m);
            }
        }
        if (r >= 0) r = sd_bus_message_close_container(m);
        if (r >= 0) r = sd_bus_message_close_container(m);
        return r;
    }

    bool event(int id, const char* what) {
        QAction* a = action(id);
        if (!a) return id == 0;
        if (what && !std::strcmp(what, "clicked") && a->isEnabled() && !a->menu() && !a->isSeparator())
            // After the reply, outside sd-bus: the command may open a modal
            // window.
            QMetaObject::invokeMethod(a, &QAction::trigger, Qt::QueuedConnection);
        return true;
    }

    StatusNotifierItem* owner_;
    QPointer<QMenu> menu_;
    const std::array<Pixmaps, 2> frames_;
    const QByteArray service_;
    QByteArray title_;
    int frame_ = 0;
    bool shown_ = false;
    QTimer animation_;

    sd_bus* bus_ = nullptr;
    sd_bus_slot* itemSlot_ = nullptr;
    sd_bus_slot* menuSlot_ = nullptr;
    sd_bus_slot* watcherMatch_ = nullptr;
    sd_bus_slot* registerCall_ = nullptr;
    // Registration tries in a row that the watcher turned down.
    static constexpr int kRetries = 20;
    static constexpr int kRetryMs = 250;
    QTimer retry_;
    int tries_ = 0;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    QTimer busTimer_;
    bool processing_ = false;

    QList<QPointer<QMenu>> watched_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int nextId_ = 1;
    unsigned revision_ = 1;
    QTimer announce_;
};

// The properties are read when asked (no PropertiesChanged: the host
// hears of changes through the New* signals).
const sd_bus_vtable StatusNotifierItem::Impl::itemVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Id", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Title", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("WindowId", "i", &Impl::getZero, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconName", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconPixmap", kPixmapsSignature, &Impl::getIconPixmap, 0, 0),
    SD_BUS_PROPERTY("OverlayIconName", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("OverlayIconPixmap", kPixmapsSignature, &Impl::getNoPixmaps, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionIconName", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionIconPixmap", kPixmapsSignature, &Impl::getNoPixmaps, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("AttentionMovieName", "s", &Impl::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", &Impl::getToolTip, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", &Impl::getZero, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Menu", "o", &Impl::getMenuPath, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("ContextMenu", "ii", "", &Impl::onContextMenu, 0),
    SD_BUS_METHOD("Activate", "ii", "", &Impl::onActivate, 0),
    // Some panels never send Activate (Xfce's "sntray" opens the menu on
    // a left click): their middle click, SecondaryActivate, runs "Show".
    SD_BUS_METHOD("SecondaryActivate", "ii", "", &Impl::onActivate, 0),
    SD_BUS_METHOD("Scroll", "is", "", &Impl::onIgnored, 0),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL("NewStatus", "s", 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable StatusNotifierItem::Impl::menuVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "u", &Impl::getMenuVersion, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("TextDirection", "s", &Impl::getMenuString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", &Impl::getMenuString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "as", &Impl::getMenuThemePath, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", &Impl::onGetLayout, 0),
    SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})", &Impl::onGetGroupProperties, 0),
    SD_BUS_METHOD("GetProperty", "is", "v", &Impl::onGetProperty, 0),
    SD_BUS_METHOD("Event", "isvu", "", &Impl::onEvent, 0),
    SD_BUS_METHOD("EventGroup", "a(isvu)", "ai", &Impl::onEventGroup, 0),
    SD_BUS_METHOD("AboutToShow", "i", "b", &Impl::onAboutToShow, 0),
    SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai", &Impl::onAboutToShowGroup, 0),
    SD_BUS_SIGNAL("ItemsPropertiesUpdated", "a(ia{sv})a(ias)", 0),
    SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
    SD_BUS_SIGNAL("ItemActivationRequested", "iu", 0),
    SD_BUS_VTABLE_END,
};

// ---------------------------------------------------------------- the item

bool StatusNotifierItem::hostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcher));
}

StatusNotifierItem::StatusNotifierItem(QMenu* menu, const std::function<QImage(int, int)>& render, QObject* parent)
    : QObject(parent),
      d_(std::make_unique<Impl>(this, menu,
                                std::array<Pixmaps, 2>{preparePixmaps(render, 0), preparePixmaps(render, 1)})) {}

StatusNotifierItem::~StatusNotifierItem() = default;

void StatusNotifierItem::show() {
    d_->show();
    d_->animate(animated_);
}

void StatusNotifierItem::hide() { d_->hide(); }

void StatusNotifierItem::setToolTip(const QString& text) { d_->setTitle(text); }

void StatusNotifierItem::setAnimated(bool on) {
    animated_ = on;
    d_->animate(on);
}

int StatusNotifierItem::frame() const { return d_->frame(); }

bool StatusNotifierItem::connected() const { return d_->connected(); }

}  // namespace ostra

#include "app/status_notifier_item.h"

#include <QAction>
#include <QActionGroup>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QEvent>
#include <QHash>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#include <array>
#include <atomic>

#include <unistd.h>

namespace ostra::sni {

// One picture as the protocol carries it: ARGB32 in network byte order.
struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray data;
};
using Pixmaps = QList<Pixmap>;

struct ToolTip {
    QString icon;
    Pixmaps image;
    QString title;
    QString text;
};

// A menu entry with its children, as GetLayout returns it.
struct MenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayout> children;
};

struct MenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuItemPropertiesList = QList<MenuItemProperties>;

struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEvents = QList<MenuEvent>;

}  // namespace ostra::sni

Q_DECLARE_METATYPE(ostra::sni::Pixmap)
Q_DECLARE_METATYPE(ostra::sni::ToolTip)
Q_DECLARE_METATYPE(ostra::sni::MenuLayout)
Q_DECLARE_METATYPE(ostra::sni::MenuItemProperties)
Q_DECLARE_METATYPE(ostra::sni::MenuEvent)

namespace ostra::sni {

const QDBusArgument& operator<<(QDBusArgument& a, const Pixmap& p) {
    a.beginStructure();
    a << p.width << p.height << p.data;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Pixmap& p) {
    a.beginStructure();
    a >> p.width >> p.height >> p.data;
    a.endStructure();
    return a;
}
const QDBusArgument& operator<<(QDBusArgument& a, const ToolTip& t) {
    a.beginStructure();
    a << t.icon << t.image << t.title << t.text;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, ToolTip& t) {
    a.beginStructure();
    a >> t.icon >> t.image >> t.title >> t.text;
    a.endStructure();
    return a;
}
const QDBusArgument& operator<<(QDBusArgument& a, const MenuLayout& l) {
    a.beginStructure();
    a << l.id << l.properties;
    a.beginArray(qMetaTypeId<QDBusVariant>());
    for (const MenuLayout& child : l.children) a << QDBusVariant(QVariant::fromValue(child));
    a.endArray();
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuLayout& l) {
    a.beginStructure();
    a >> l.id >> l.properties;
    a.beginArray();
    l.children.clear();
    while (!a.atEnd()) {
        QDBusVariant v;
        a >> v;
        l.children << qdbus_cast<MenuLayout>(v.variant());
    }
    a.endArray();
    a.endStructure();
    return a;
}
const QDBusArgument& operator<<(QDBusArgument& a, const MenuItemProperties& p) {
    a.beginStructure();
    a << p.id << p.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuItemProperties& p) {
    a.beginStructure();
    a >> p.id >> p.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator<<(QDBusArgument& a, const MenuEvent& e) {
    a.beginStructure();
    a << e.id << e.eventId << e.data << e.timestamp;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEvent& e) {
    a.beginStructure();
    a >> e.id >> e.eventId >> e.data >> e.timestamp;
    a.endStructure();
    return a;
}

}  // namespace ostra::sni

namespace ostra {

namespace {

using namespace sni;

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

void registerTypes() {
    static const bool once = [] {
        qDBusRegisterMetaType<Pixmap>();
        qDBusRegisterMetaType<Pixmaps>();
        qDBusRegisterMetaType<ToolTip>();
        qDBusRegisterMetaType<MenuLayout>();
        qDBusRegisterMetaType<MenuItemProperties>();
        qDBusRegisterMetaType<MenuItemPropertiesList>();
        qDBusRegisterMetaType<MenuEvent>();
        qDBusRegisterMetaType<MenuEvents>();
        qDBusRegisterMetaType<QList<QStringList>>();
        return true;
    }();
    Q_UNUSED(once);
}

// A picture at the sizes panels use at 1x and 2x, ready to send.
Pixmaps preparePixmaps(const std::function<QImage(int, int)>& render, int index) {
    Pixmaps out;
    for (int side : {16, 22, 44}) {
        const QImage im = render(index, side).convertToFormat(QImage::Format_ARGB32);
        Pixmap p{im.width(), im.height(), QByteArray(reinterpret_cast<const char*>(im.constBits()),
                                                    qsizetype(im.sizeInBytes()))};
        auto* px = reinterpret_cast<quint32*>(p.data.data());
        for (qsizetype i = 0; i < p.data.size() / 4; ++i) px[i] = qToBigEndian(px[i]);
        out << p;
    }
    return out;
}

// Answers org.freedesktop.DBus.Properties Get and GetAll of `interface`
// from its property `names` and their `value`; false for anything else.
bool answerProperties(const QDBusMessage& m, const QDBusConnection& bus, const QString& interface,
                      const QStringList& names, const std::function<QVariant(const QString&)>& value) {
    const QVariantList args = m.arguments();
    if (m.member() == QLatin1String("Get") && args.size() == 2 && args[0].toString() == interface &&
        names.contains(args[1].toString())) {
        bus.send(m.createReply(QVariant::fromValue(QDBusVariant(value(args[1].toString())))));
        return true;
    }
    if (m.member() == QLatin1String("GetAll") && args.size() == 1) {
        QVariantMap all;
        if (args[0].toString() == interface)
            for (const QString& name : names) all.insert(name, value(name));
        bus.send(m.createReply(all));
        return true;
    }
    return false;
}

}  // namespace

// ------------------------------------------------------------------- item

class StatusNotifierItem::Item : public QDBusVirtualObject {
public:
    Item(StatusNotifierItem* owner, std::array<Pixmaps, 2> frames)
        : owner_(owner), frames_(std::move(frames)), bus_(QDBusConnection::sessionBus()) {
        timer_ = new QTimer(this);
        timer_->setInterval(150);
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, this, [this] {
            frame.store(1 - frame.load());
            bus_.send(QDBusMessage::createSignal(kItemPath, kItemInterface, QStringLiteral("NewIcon")));
        });
    }

    // Both run on the item's own thread.
    void animate(bool on) {
        if (on && !timer_->isActive()) timer_->start();
        if (!on) timer_->stop();
    }
    void setTitle(const QString& title) {
        if (title == title_) return;
        title_ = title;
        bus_.send(QDBusMessage::createSignal(kItemPath, kItemInterface, QStringLiteral("NewToolTip")));
    }

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierItem\">"
            "<property name=\"Category\" type=\"s\" access=\"read\"/>"
            "<property name=\"Id\" type=\"s\" access=\"read\"/>"
            "<property name=\"Title\" type=\"s\" access=\"read\"/>"
            "<property name=\"Status\" type=\"s\" access=\"read\"/>"
            "<property name=\"WindowId\" type=\"i\" access=\"read\"/>"
            "<property name=\"IconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconThemePath\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>"
            "<property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
            "<property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>"
            "<property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>"
            "<property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>"
            "<property name=\"Menu\" type=\"o\" access=\"read\"/>"
            "<method name=\"ContextMenu\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
            "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
            "<method name=\"Activate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
            "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
            "<method name=\"SecondaryActivate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
            "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
            "<method name=\"Scroll\"><arg name=\"delta\" type=\"i\" direction=\"in\"/>"
            "<arg name=\"orientation\" type=\"s\" direction=\"in\"/></method>"
            "<signal name=\"NewTitle\"/><signal name=\"NewIcon\"/><signal name=\"NewAttentionIcon\"/>"
            "<signal name=\"NewOverlayIcon\"/><signal name=\"NewToolTip\"/>"
            "<signal name=\"NewStatus\"><arg name=\"status\" type=\"s\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        if (m.interface() == kProperties)
            return answerProperties(m, bus, kItemInterface, propertyNames(),
                                    [this](const QString& name) { return property(name); });
        const QVariantList args = m.arguments();
        if (m.interface() != kItemInterface && !m.interface().isEmpty()) return false;
        const QString member = m.member();
        if (member == QLatin1String("Activate")) {
            QMetaObject::invokeMethod(owner_, [o = owner_] { emit o->activated(); }, Qt::QueuedConnection);
        } else if (member == QLatin1String("ContextMenu") && args.size() == 2) {
            const QPoint at(args[0].toInt(), args[1].toInt());
            QMetaObject::invokeMethod(owner_, [o = owner_, at] { o->menu_->popup(at); }, Qt::QueuedConnection);
        } else if (member != QLatin1String("SecondaryActivate") && member != QLatin1String("Scroll")) {
            return false;
        }
        bus.send(m.createReply());
        return true;
    }

    std::atomic<int> frame{0};

private:
    // The properties that never change.
    static const QHash<QString, QVariant>& fixedProperties() {
        static const QHash<QString, QVariant> fixed = {
            {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), QStringLiteral("ostra")},
            {QStringLiteral("Title"), QStringLiteral("Ostra")},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconName"), QString()},
            {QStringLiteral("IconThemePath"), QString()},
            {QStringLiteral("OverlayIconName"), QString()},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(Pixmaps())},
            {QStringLiteral("AttentionIconName"), QString()},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(Pixmaps())},
            {QStringLiteral("AttentionMovieName"), QString()},
            {QStringLiteral("ItemIsMenu"), false},
            {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(kMenuPath))},
        };
        return fixed;
    }
    static const QStringList& propertyNames() {
        static const QStringList names =
            fixedProperties().keys() + QStringList{QStringLiteral("IconPixmap"), QStringLiteral("ToolTip")};
        return names;
    }
    QVariant property(const QString& name) const {
        if (name == QLatin1String("IconPixmap")) return QVariant::fromValue(frames_[frame.load()]);
        if (name == QLatin1String("ToolTip")) return QVariant::fromValue(ToolTip{QString(), {}, title_, QString()});
        return fixedProperties().value(name);
    }

    StatusNotifierItem* owner_;
    const std::array<Pixmaps, 2> frames_;
    QDBusConnection bus_;
    QTimer* timer_;
    QString title_;
};

// ------------------------------------------------------------------- menu

// The popup menu for the host, read from the QMenu at each request; runs on
// the user-interface thread.
class StatusNotifierItem::Menu : public QDBusVirtualObject {
public:
    explicit Menu(QMenu* menu) : menu_(menu), bus_(QDBusConnection::sessionBus()) {
        watch(menu_);
        announce_.setSingleShot(true);
        announce_.setInterval(0);
        QObject::connect(&announce_, &QTimer::timeout, &announce_, [this] {
            ++revision_;
            QDBusMessage s = QDBusMessage::createSignal(kMenuPath, kMenuInterface, QStringLiteral("LayoutUpdated"));
            s << uint(revision_) << 0;
            bus_.send(s);
        });
    }

    bool eventFilter(QObject*, QEvent* e) override {
        const QEvent::Type t = e->type();
        if (t == QEvent::ActionAdded || t == QEvent::ActionRemoved || t == QEvent::ActionChanged) {
            if (t == QEvent::ActionAdded) watchSubmenus();
            announce_.start();
        }
        return false;
    }

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"com.canonical.dbusmenu\">"
            "<property name=\"Version\" type=\"u\" access=\"read\"/>"
            "<property name=\"TextDirection\" type=\"s\" access=\"read\"/>"
            "<property name=\"Status\" type=\"s\" access=\"read\"/>"
            "<property name=\"IconThemePath\" type=\"as\" access=\"read\"/>"
            "<method name=\"GetLayout\"><arg type=\"i\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"u\" direction=\"out\"/>"
            "<arg type=\"(ia{sv}av)\" direction=\"out\"/></method>"
            "<method name=\"GetGroupProperties\"><arg type=\"ai\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"a(ia{sv})\" direction=\"out\"/></method>"
            "<method name=\"GetProperty\"><arg type=\"i\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"v\" direction=\"out\"/></method>"
            "<method name=\"Event\"><arg type=\"i\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"v\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"EventGroup\"><arg type=\"a(isvu)\" direction=\"in\"/>"
            "<arg type=\"ai\" direction=\"out\"/></method>"
            "<method name=\"AboutToShow\"><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"b\" direction=\"out\"/></method>"
            "<method name=\"AboutToShowGroup\"><arg type=\"ai\" direction=\"in\"/>"
            "<arg type=\"ai\" direction=\"out\"/><arg type=\"ai\" direction=\"out\"/></method>"
            "<signal name=\"ItemsPropertiesUpdated\"><arg type=\"a(ia{sv})\"/><arg type=\"a(ias)\"/></signal>"
            "<signal name=\"LayoutUpdated\"><arg type=\"u\"/><arg type=\"i\"/></signal>"
            "<signal name=\"ItemActivationRequested\"><arg type=\"i\"/><arg type=\"u\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QVariantList a = m.arguments();
        const QString member = m.member();
        if (m.interface() == kProperties) {
            static const QVariantMap properties = menuProperties();
            return answerProperties(m, bus, kMenuInterface, properties.keys(),
                                    [](const QString& name) { return properties.value(name); });
        }
        if (member == QLatin1String("GetLayout") && a.size() == 3) {
            const MenuLayout l = layout(a[0].toInt(), a[1].toInt());
            bus.send(m.createReply(QVariantList{uint(revision_), QVariant::fromValue(l)}));
        } else if (member == QLatin1String("GetGroupProperties") && a.size() == 2) {
            MenuItemPropertiesList list;
            for (int id : qdbus_cast<QList<int>>(a[0]))
                if (QAction* act = action(id)) list << MenuItemProperties{id, properties(act)};
            bus.send(m.createReply(QVariantList{QVariant::fromValue(list)}));
        } else if (member == QLatin1String("GetProperty") && a.size() == 2) {
            QAction* act = action(a[0].toInt());
            const QVariant v = act ? properties(act).value(a[1].toString()) : QVariant();
            if (!v.isValid()) return false;
            bus.send(m.createReply(QVariantList{QVariant::fromValue(QDBusVariant(v))}));
        } else if (member == QLatin1String("Event") && a.size() == 4) {
            event(a[0].toInt(), a[1].toString());
            bus.send(m.createReply());
        } else if (member == QLatin1String("EventGroup") && a.size() == 1) {
            QList<int> unknown;
            for (const MenuEvent& e : qdbus_cast<MenuEvents>(a[0]))
                if (!event(e.id, e.eventId)) unknown << e.id;
            bus.send(m.createReply(QVariantList{QVariant::fromValue(unknown)}));
        } else if (member == QLatin1String("AboutToShow")) {
            bus.send(m.createReply(QVariantList{false}));
        } else if (member == QLatin1String("AboutToShowGroup")) {
            const QVariant none = QVariant::fromValue(QList<int>());
            bus.send(m.createReply(QVariantList{none, none}));
        } else {
            return false;
        }
        return true;
    }

private:
    static QVariantMap menuProperties() {
        return {{QStringLiteral("Version"), uint(3)},
                {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
                {QStringLiteral("Status"), QStringLiteral("normal")},
                {QStringLiteral("IconThemePath"), QStringList()}};
    }

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
            if (!a->shortcut().isEmpty()) p.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcut(a->shortcut())));
        }
        if (!a->isEnabled()) p.insert(QStringLiteral("enabled"), false);
        if (!a->isVisible()) p.insert(QStringLiteral("visible"), false);
        return p;
    }

    MenuLayout layout(int id, int depth) {
        MenuLayout l;
        l.id = id;
        QMenu* menu = menu_;
        if (id != 0) {
            QAction* a = action(id);
            if (!a) return l;
            l.properties = properties(a);
            menu = a->menu();
        } else {
            l.properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
        if (menu && depth != 0)
            for (QAction* child : menu->actions()) l.children << layout(idOf(child), depth < 0 ? -1 : depth - 1);
        return l;
    }

    bool event(int id, const QString& what) {
        QAction* a = action(id);
        if (!a) return id == 0;
        if (what == QLatin1String("clicked") && a->isEnabled() && !a->menu() && !a->isSeparator())
            // After the reply: the command may open a modal window.
            QMetaObject::invokeMethod(a, &QAction::trigger, Qt::QueuedConnection);
        return true;
    }

    QPointer<QMenu> menu_;
    QDBusConnection bus_;
    QList<QPointer<QMenu>> watched_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int nextId_ = 1;
    int revision_ = 1;
    QTimer announce_;
};

// ---------------------------------------------------------------- the item

bool StatusNotifierItem::hostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(kWatcher);
}

StatusNotifierItem::StatusNotifierItem(QMenu* menu, const std::function<QImage(int, int)>& render, QObject* parent)
    : QObject(parent),
      menu_(menu),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(::getpid())),
      menuObject_(std::make_unique<Menu>(menu)) {
    registerTypes();
    QDBusConnection bus = QDBusConnection::sessionBus();
    item_ = new Item(this, {preparePixmaps(render, 0), preparePixmaps(render, 1)});
    // The item answers on the connection's own thread.
    if (QDBusConnectionInterface* i = bus.interface()) item_->moveToThread(i->thread());
    bus.registerVirtualObject(kItemPath, item_, QDBusConnection::SingleNode);
    bus.registerVirtualObject(kMenuPath, menuObject_.get(), QDBusConnection::SingleNode);
    auto* watcher = new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (shown_) registerWithWatcher();
    });
}

StatusNotifierItem::~StatusNotifierItem() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kItemPath);
    bus.unregisterObject(kMenuPath);
    if (shown_) bus.unregisterService(service_);
    // Qt D-Bus hears of a registered object's end through a blocking call
    // to its own thread, which would wait for ever from either thread here.
    // Unregistered, the objects need not tell it.
    QObject::disconnect(menuObject_.get(), &QObject::destroyed, nullptr, nullptr);
    menuObject_.reset();
    // Stopped and deleted on its own thread.
    Item* item = item_;
    QMetaObject::invokeMethod(
        item,
        [item] {
            item->animate(false);
            QObject::disconnect(item, &QObject::destroyed, nullptr, nullptr);
            delete item;
        },
        Qt::QueuedConnection);
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << service_;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

void StatusNotifierItem::show() {
    if (shown_) return;
    shown_ = true;
    QDBusConnection::sessionBus().registerService(service_);
    registerWithWatcher();
    setAnimated(animated_);
}

void StatusNotifierItem::hide() {
    if (!shown_) return;
    shown_ = false;
    Item* item = item_;
    QMetaObject::invokeMethod(item, [item] { item->animate(false); }, Qt::QueuedConnection);
    // The watcher forgets the item when its name goes.
    QDBusConnection::sessionBus().unregisterService(service_);
}

void StatusNotifierItem::setToolTip(const QString& text) {
    Item* item = item_;
    QMetaObject::invokeMethod(item, [item, text] { item->setTitle(text); }, Qt::QueuedConnection);
}

void StatusNotifierItem::setAnimated(bool on) {
    animated_ = on;
    Item* item = item_;
    const bool run = on && shown_;
    QMetaObject::invokeMethod(item, [item, run] { item->animate(run); }, Qt::QueuedConnection);
}

int StatusNotifierItem::frame() const { return item_->frame.load(); }

}  // namespace ostra

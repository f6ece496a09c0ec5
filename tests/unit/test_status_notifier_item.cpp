// The StatusNotifier tray item on a private dbus-daemon, looked at the way a
// panel does over a Qt D-Bus connection of the test's own, with a stand-in
// watcher: registration (and again when the watcher comes back), the
// pictures' bytes per frame, the animation's NewIcon, the tip, the menu's
// layout and clicks, hide, and an item without a bus.
#include "tray/statusnotifier/status_notifier_item.h"

#include "child_process.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

using ostra::StatusNotifierItem;

namespace {

using testing_support::endWithThisProcess;
using testing_support::PrivateBus;
using testing_support::stopChild;

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// Sets an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// A pixel pattern that tells position, picture and channel order apart.
QImage picture(int index, int side) {
    QImage im(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) im.setPixel(x, y, qRgba(x * 5, y * 5, 100 * index + 7, 250 - index));
    return im;
}

// The bytes the protocol wants: A, R, G, B per pixel, row after row.
QByteArray expectedBytes(int index, int side) {
    QByteArray out;
    const QImage im = picture(index, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const QRgb p = im.pixel(x, y);
            out += char(qAlpha(p));
            out += char(qRed(p));
            out += char(qGreen(p));
            out += char(qBlue(p));
        }
    return out;
}

}  // namespace

// The panel's side: the watcher's registrations and the item's signals.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    QStringList registered;
    int newIcons = 0;
    int newToolTips = 0;
    int layoutUpdates = 0;

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service) { registered << service; }
    void onNewIcon() { ++newIcons; }
    void onNewToolTip() { ++newToolTips; }
    void onLayoutUpdated(uint, int) { ++layoutUpdates; }
};

namespace {

class Panel {
public:
    explicit Panel(const QString& address)
        : bus_(QDBusConnection::connectToBus(address, QStringLiteral("sni-test-panel"))) {
        bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher, QDBusConnection::ExportScriptableSlots);
        bus_.registerService(kWatcher);
        bus_.connect(QString(), QStringLiteral("/StatusNotifierItem"), kItemInterface, QStringLiteral("NewIcon"),
                     &watcher, SLOT(onNewIcon()));
        bus_.connect(QString(), QStringLiteral("/StatusNotifierItem"), kItemInterface, QStringLiteral("NewToolTip"),
                     &watcher, SLOT(onNewToolTip()));
        bus_.connect(QString(), QStringLiteral("/MenuBar"), kMenuInterface, QStringLiteral("LayoutUpdated"), &watcher,
                     SLOT(onLayoutUpdated(uint, int)));
    }
    ~Panel() { QDBusConnection::disconnectFromBus(QStringLiteral("sni-test-panel")); }

    bool connected() const { return bus_.isConnected(); }
    QDBusConnection& bus() { return bus_; }

    // Calls without blocking the event loop, which serves the item.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
        m.setArguments(args);
        QDBusPendingCall pending = bus_.asyncCall(m, 5000);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 10000)) return {};
        return pending.reply();
    }
    QVariant property(const QString& service, const QString& name) {
        const QDBusMessage r = call(service, QStringLiteral("/StatusNotifierItem"), kProperties, QStringLiteral("Get"),
                                    {kItemInterface, name});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().size() != 1) return {};
        return r.arguments().at(0).value<QDBusVariant>().variant();
    }
    bool hasOwner(const QString& name) {
        const QDBusMessage r = call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {name});
        return r.type() == QDBusMessage::ReplyMessage && r.arguments().value(0).toBool();
    }

    FakeWatcher watcher;

private:
    QDBusConnection bus_;
};

struct Pixmap {
    int width = 0, height = 0;
    QByteArray data;
};

QList<Pixmap> pixmaps(const QVariant& v) {
    QList<Pixmap> out;
    const QDBusArgument a = v.value<QDBusArgument>();
    a.beginArray();
    while (!a.atEnd()) {
        Pixmap p;
        a.beginStructure();
        a >> p.width >> p.height >> p.data;
        a.endStructure();
        out << p;
    }
    a.endArray();
    return out;
}

struct Entry {
    int id = 0;
    int depth = 0;
    QVariantMap properties;
};

void walk(const QDBusArgument& a, int depth, QList<Entry>& out) {
    Entry e;
    e.depth = depth;
    a.beginStructure();
    a >> e.id >> e.properties;
    out << e;
    a.beginArray();
    while (!a.atEnd()) {
        QDBusVariant child;
        a >> child;
        walk(child.variant().value<QDBusArgument>(), depth + 1, out);
    }
    a.endArray();
    a.endStructure();
}

QList<Entry> layout(Panel& panel, const QString& service, const QStringList& names = {}) {
    const QDBusMessage r = panel.call(service, QStringLiteral("/MenuBar"), kMenuInterface, QStringLiteral("GetLayout"),
                                      {0, -1, names});
    QList<Entry> out;
    if (r.type() == QDBusMessage::ReplyMessage && r.arguments().size() == 2)
        walk(r.arguments().at(1).value<QDBusArgument>(), 0, out);
    return out;
}

QList<QStringList> keys(const QVariant& v) {
    QList<QStringList> out;
    const QDBusArgument a = v.value<QDBusArgument>();
    a.beginArray();
    while (!a.atEnd()) {
        QStringList k;
        a >> k;
        out << k;
    }
    a.endArray();
    return out;
}

}  // namespace

TEST(StatusNotifierItem, ServesPanelOnPrivateBus) {
    PrivateBus daemon;
    ASSERT_FALSE(daemon.address().isEmpty()) << "no dbus-daemon";
    ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", daemon.address().toLocal8Bit());
    Panel panel(daemon.address());
    ASSERT_TRUE(panel.connected());

    QMenu menu;
    QAction* show = menu.addAction(QStringLiteral("&Show"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F7));
    menu.addSeparator();
    QMenu* sounds = menu.addMenu(QStringLiteral("Sounds"));
    QAction* alarm = sounds->addAction(QStringLiteral("Alarm_sound"));
    alarm->setCheckable(true);
    alarm->setChecked(true);
    QAction* off = menu.addAction(QStringLiteral("Off"));
    off->setEnabled(false);

    auto item = std::make_unique<StatusNotifierItem>(&menu, &picture);
    ASSERT_TRUE(item->connected());
    const QString service = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(::getpid());

    // Shown: the name is taken and the watcher hears of it. A watcher that
    // comes back hears of it again, also when it takes its name before it
    // serves its object (the first call then fails).
    item->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.watcher.registered.size() == 1; }, 10000));
    EXPECT_EQ(service, panel.watcher.registered.at(0));
    EXPECT_TRUE(panel.hasOwner(service));
    ASSERT_TRUE(panel.bus().unregisterService(kWatcher));
    panel.bus().unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    ASSERT_TRUE(panel.bus().registerService(kWatcher));
    QTest::qWait(300);
    EXPECT_EQ(1, panel.watcher.registered.size());
    panel.bus().registerObject(QStringLiteral("/StatusNotifierWatcher"), &panel.watcher,
                               QDBusConnection::ExportScriptableSlots);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.watcher.registered.size() == 2; }, 10000));
    EXPECT_EQ(service, panel.watcher.registered.at(1));

    // The fixed properties and the still picture's bytes at three sizes.
    EXPECT_EQ(QStringLiteral("ApplicationStatus"), panel.property(service, QStringLiteral("Category")).toString());
    EXPECT_EQ(QStringLiteral("Active"), panel.property(service, QStringLiteral("Status")).toString());
    EXPECT_EQ(QStringLiteral("/MenuBar"),
              panel.property(service, QStringLiteral("Menu")).value<QDBusObjectPath>().path());
    EXPECT_EQ(0, item->frame());
    QList<Pixmap> still = pixmaps(panel.property(service, QStringLiteral("IconPixmap")));
    ASSERT_EQ(3, still.size());
    const int sides[] = {16, 22, 44};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sides[i], still[i].width);
        EXPECT_EQ(sides[i], still[i].height);
        EXPECT_EQ(expectedBytes(0, sides[i]), still[i].data) << "picture 0 at " << sides[i];
    }

    // Animated: NewIcon and the other picture; stopped, no more signals.
    item->setAnimated(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.watcher.newIcons >= 3 && item->frame() == 1; }, 10000));
    item->setAnimated(false);
    EXPECT_EQ(1, item->frame());
    const QList<Pixmap> moving = pixmaps(panel.property(service, QStringLiteral("IconPixmap")));
    ASSERT_EQ(3, moving.size());
    EXPECT_EQ(expectedBytes(1, 22), moving[1].data);
    QTest::qWait(100);
    const int icons = panel.watcher.newIcons;
    QTest::qWait(400);
    EXPECT_EQ(icons, panel.watcher.newIcons) << "NewIcon after the animation stopped";

    // The tip: NewToolTip and the title, once per change.
    item->setToolTip(QStringLiteral("Ostra42%/00:01:02"));
    item->setToolTip(QStringLiteral("Ostra42%/00:01:02"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.watcher.newToolTips >= 1; }, 10000));
    const QDBusArgument tip = panel.property(service, QStringLiteral("ToolTip")).value<QDBusArgument>();
    QString icon, title, text;
    tip.beginStructure();
    tip >> icon;
    tip.beginArray();
    EXPECT_TRUE(tip.atEnd()) << "pictures in the tip";
    tip.endArray();
    tip >> title >> text;
    tip.endStructure();
    EXPECT_EQ(QStringLiteral("Ostra42%/00:01:02"), title);
    QTest::qWait(200);
    EXPECT_EQ(1, panel.watcher.newToolTips);

    // The menu: labels, separator, submenu, shortcut, check state, disabled.
    QList<Entry> entries = layout(panel, service);
    ASSERT_EQ(6, entries.size());
    EXPECT_EQ(0, entries[0].id);
    EXPECT_EQ(QStringLiteral("_Show"), entries[1].properties.value(QStringLiteral("label")).toString());
    EXPECT_EQ((QList<QStringList>{{QStringLiteral("Control"), QStringLiteral("F7")}}),
              keys(entries[1].properties.value(QStringLiteral("shortcut"))));
    EXPECT_EQ(QStringLiteral("separator"), entries[2].properties.value(QStringLiteral("type")).toString());
    EXPECT_EQ(QStringLiteral("submenu"), entries[3].properties.value(QStringLiteral("children-display")).toString());
    EXPECT_EQ(2, entries[4].depth);
    EXPECT_EQ(QStringLiteral("Alarm__sound"), entries[4].properties.value(QStringLiteral("label")).toString());
    EXPECT_EQ(QStringLiteral("checkmark"), entries[4].properties.value(QStringLiteral("toggle-type")).toString());
    EXPECT_EQ(1, entries[4].properties.value(QStringLiteral("toggle-state")).toInt());
    EXPECT_FALSE(entries[5].properties.value(QStringLiteral("enabled"), true).toBool());
    // The ids stay; asked for labels only, only labels come.
    const QList<Entry> labels = layout(panel, service, {QStringLiteral("label")});
    ASSERT_EQ(entries.size(), labels.size());
    for (qsizetype i = 1; i < labels.size(); ++i) {
        EXPECT_EQ(entries[i].id, labels[i].id);
        for (const QString& key : labels[i].properties.keys()) EXPECT_EQ(QStringLiteral("label"), key);
    }

    // A click runs the entry (after the reply); a new entry is announced.
    QSignalSpy triggered(show, &QAction::triggered);
    const QDBusMessage clicked =
        panel.call(service, QStringLiteral("/MenuBar"), kMenuInterface, QStringLiteral("Event"),
                   {entries[1].id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(QDBusMessage::ReplyMessage, clicked.type());
    EXPECT_TRUE(QTest::qWaitFor([&] { return triggered.size() == 1; }, 5000));
    sounds->addAction(QStringLiteral("Start sound"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.watcher.layoutUpdates >= 1; }, 5000));
    EXPECT_EQ(7, layout(panel, service).size());

    // Activate reaches the program, and so does a middle click
    // (SecondaryActivate) for panels that never send Activate.
    QSignalSpy activated(item.get(), &StatusNotifierItem::activated);
    panel.call(service, QStringLiteral("/StatusNotifierItem"), kItemInterface, QStringLiteral("Activate"), {0, 0});
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.size() == 1; }, 5000));
    panel.call(service, QStringLiteral("/StatusNotifierItem"), kItemInterface, QStringLiteral("SecondaryActivate"),
               {0, 0});
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.size() == 2; }, 5000));

    // Hidden: the name goes (the watcher forgets the item by it); gone with
    // the item.
    item->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel.hasOwner(service); }, 5000));
    item->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.hasOwner(service); }, 5000));
    item.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel.hasOwner(service); }, 5000));
}

TEST(StatusNotifierItem, BusGoneStopsItem) {
    auto daemon = std::make_unique<PrivateBus>();
    ASSERT_FALSE(daemon->address().isEmpty()) << "no dbus-daemon";
    ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", daemon->address().toLocal8Bit());
    QMenu menu;
    StatusNotifierItem item(&menu, &picture);
    ASSERT_TRUE(item.connected());
    item.show();
    item.setAnimated(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return item.frame() == 1; }, 5000));
    // The bus ends under the animating item: it lets go of the connection
    // and stops, and still ends cleanly.
    daemon.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item.connected(); }, 5000));
    const int frame = item.frame();
    QTest::qWait(400);
    EXPECT_EQ(frame, item.frame());
    item.setToolTip(QStringLiteral("tip"));
    item.hide();
    item.show();
}

TEST(StatusNotifierItem, WithoutBusStaysSilent) {
    ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostra-test-bus");
    QMenu menu;
    StatusNotifierItem item(&menu, &picture);
    EXPECT_FALSE(item.connected());
    item.show();
    item.setAnimated(true);
    item.setToolTip(QStringLiteral("tip"));
    QTest::qWait(400);
    EXPECT_EQ(0, item.frame());
    item.hide();
}

#include "test_status_notifier_item.moc"

// The main window as a screen reader reads it: the accessible interfaces of
// the gauges, LED numbers, stopwatch and switches on the real window, the
// switch's press action running its command, and the change events that
// reach assistive technology only when a shown value really changes.
#include "app_harness.h"

#include "app/actions.h"
#include "app/main_window.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "ui/accessibility.h"
#include "ui/gauge.h"
#include "ui/lednumber.h"
#include "ui/shape.h"
#include "ui/stopwatchdisplay.h"
#include "ui/twostateswitch.h"

#include <QAccessible>
#include <QLabel>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QRegularExpression>

#include <vector>

using namespace ostra;
using namespace ostra::testing;

namespace {

// What the update handler saw of one event.
struct Seen {
    QAccessible::Event type;
    QObject* object;
    QVariant value;           // ValueChanged
    QString removed, inserted;  // TextUpdated
    bool checkedChanged = false;  // StateChanged
};

std::vector<Seen>& seen() {
    static std::vector<Seen> events;
    return events;
}

bool ofWidgetSet(const QObject* o) {
    return qobject_cast<const ui::Gauge*>(o) || qobject_cast<const ui::LedNumber*>(o) ||
           qobject_cast<const ui::StopwatchDisplay*>(o) || qobject_cast<const ui::TwoStateSwitch*>(o);
}

// Keeps the events of the widget-set classes (only they are known to send
// each type with its own event class).
void record(QAccessibleEvent* e) {
    if (!ofWidgetSet(e->object())) return;
    Seen s{e->type(), e->object(), {}, {}, {}, false};
    if (e->type() == QAccessible::ValueChanged) s.value = static_cast<QAccessibleValueChangeEvent*>(e)->value();
    if (e->type() == QAccessible::TextUpdated) {
        auto* t = static_cast<QAccessibleTextUpdateEvent*>(e);
        s.removed = t->textRemoved();
        s.inserted = t->textInserted();
    }
    if (e->type() == QAccessible::StateChanged)
        s.checkedChanged = static_cast<QAccessibleStateChangeEvent*>(e)->changedStates().checked;
    seen().push_back(s);
}

// The events on one object (all of them when `object` is null), after the
// event loop has run.
std::vector<Seen> eventsOn(const QObject* object) {
    QApplication::processEvents();
    std::vector<Seen> out;
    for (const Seen& s : seen())
        if (!object || s.object == object) out.push_back(s);
    return out;
}

// Assistive technology listening: the interfaces installed, the platform's
// accessibility active (as the AT-SPI bridge makes it when a screen reader
// runs) and its events passed to `record`. Undone at the end of the test.
class ScreenReader {
public:
    ScreenReader() {
        ui::installAccessibility();
        previous_ = QAccessible::installUpdateHandler(record);
        platform()->setActive(true);
        EXPECT_TRUE(QAccessible::isActive());
        seen().clear();
    }
    ~ScreenReader() {
        platform()->setActive(false);
        QAccessible::installUpdateHandler(previous_);
        seen().clear();
    }
    static QPlatformAccessibility* platform() {
        return QGuiApplicationPrivate::platformIntegration()->accessibility();
    }

private:
    QAccessible::UpdateHandler previous_ = nullptr;
};

// The first object below `root` (depth first, as a screen reader walks)
// with that name and role.
QAccessibleInterface* find(QAccessibleInterface* root, const QString& name, QAccessible::Role role) {
    if (!root) return nullptr;
    if (root->text(QAccessible::Name) == name && root->role() == role) return root;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* hit = find(root->child(i), name, role)) return hit;
    return nullptr;
}

QString allText(QAccessibleInterface* iface) {
    QAccessibleTextInterface* t = iface ? iface->textInterface() : nullptr;
    return t ? t->text(0, t->characterCount()) : QStringLiteral("<no text interface>");
}

int percentOf(const QString& label) { return label.chopped(1).toInt(); }

// The program shown at a load of 40 % and ticked once at 47 %.
void showThenTick(AppHarness& h) {
    h.fp.loads = {40};
    h.start();
    h.fp.loads = {47};
    ASSERT_TRUE(h.monitorTimer().fire());
}

}  // namespace

TEST(Accessibility, MainWindowReadsItsFiguresSwitchesAndWindow) {
    ScreenReader reader;
    AppHarness h;
    ASSERT_NO_FATAL_FAILURE(showThenTick(h));
    QApplication::processEvents();

    QAccessibleInterface* win = QAccessible::queryAccessibleInterface(&h.main());
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->role(), QAccessible::Window);
    EXPECT_EQ(win->text(QAccessible::Name), QStringLiteral("Brisel"));

    // "Now Res": a progress bar whose value is the number its label shows.
    auto* nowLabel = h.mainControl<QLabel>("Label31");
    ASSERT_NE(nowLabel, nullptr);
    ASSERT_EQ(nowLabel->text(), QStringLiteral("47%"));
    QAccessibleInterface* now = find(win, QStringLiteral("Now Res"), QAccessible::ProgressBar);
    ASSERT_NE(now, nullptr);
    ASSERT_NE(now->valueInterface(), nullptr);
    EXPECT_EQ(now->valueInterface()->currentValue().toInt(), percentOf(nowLabel->text()));
    EXPECT_EQ(now->valueInterface()->minimumValue().toInt(), 0);
    EXPECT_EQ(now->valueInterface()->maximumValue().toInt(), 100);
    EXPECT_EQ(now->text(QAccessible::Value), QStringLiteral("47%"));
    EXPECT_EQ(now->object(), h.mainControl("Gauge3"));

    // Every gauge but the pie's fixed backdrop is a named progress bar with
    // the value it shows; the backdrop and the shapes are pictures.
    for (ui::Gauge* g : h.main().findChildren<ui::Gauge*>()) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(g);
        ASSERT_NE(a, nullptr);
        SCOPED_TRACE(g->objectName().toStdString());
        if (g->objectName() == QLatin1String("Gauge6")) {
            EXPECT_EQ(a->role(), QAccessible::Graphic);
            EXPECT_EQ(a->valueInterface(), nullptr);
            continue;
        }
        EXPECT_EQ(a->role(), QAccessible::ProgressBar);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
        ASSERT_NE(a->valueInterface(), nullptr);
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), g->progress());
    }
    QAccessibleInterface* present = find(win, QStringLiteral("Present Res"), QAccessible::ProgressBar);
    ASSERT_NE(present, nullptr);
    EXPECT_EQ(present->valueInterface()->currentValue().toInt(), 47);
    for (ui::Shape* s : h.main().findChildren<ui::Shape*>())
        EXPECT_EQ(QAccessible::queryAccessibleInterface(s)->role(), QAccessible::Graphic) << s->objectName().toStdString();
    // Drawn elements show no tool tip; their hint still reaches a screen
    // reader: the frame's as its name, the labels' as their description.
    QAccessibleInterface* column = QAccessible::queryAccessibleInterface(h.mainControl("Shape28"));
    EXPECT_EQ(column->text(QAccessible::Name), QStringLiteral("Adjust Alarm every interval you set"));
    for (const char* name : {"Label33", "Label34"})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(h.mainControl(name))->text(QAccessible::Description),
                  QStringLiteral("Total used resouces"))
            << name;

    // The LED numbers and the rest timer: static text reading what they show.
    h.app->restAlarm().setRestInterval(25);
    QAccessibleInterface* count = find(win, QStringLiteral("Res List Count"), QAccessible::StaticText);
    QAccessibleInterface* interval =
        find(win, QStringLiteral("Alarm interval minute for your rest time"), QAccessible::StaticText);
    QAccessibleInterface* passed =
        find(win, QStringLiteral("Passed interval minute for your rest time"), QAccessible::StaticText);
    QAccessibleInterface* timer = find(win, QStringLiteral("Timer "), QAccessible::StaticText);
    ASSERT_TRUE(count && interval && passed && timer);
    EXPECT_EQ(allText(count), QStringLiteral("0"));
    EXPECT_EQ(allText(interval), QStringLiteral("25"));
    EXPECT_EQ(interval->text(QAccessible::Value), QStringLiteral("25"));
    EXPECT_EQ(allText(passed), QStringLiteral("0"));
    auto* stopwatch = h.mainControl<ui::StopwatchDisplay>("dxfTimer1");
    ASSERT_NE(stopwatch, nullptr);
    stopwatch->setSeconds(3 * 3600 + 25 * 60 + 9);
    EXPECT_EQ(allText(timer), QStringLiteral("03:25:09"));
    EXPECT_EQ(timer->textInterface()->text(3, 5), QStringLiteral("25"));

    // The alarm switch: a check box; its press action clicks it as the
    // mouse does, so the command runs with the flip.
    auto* lever = h.mainControl<ui::TwoStateSwitch>("RxSwitch2");
    ASSERT_NE(lever, nullptr);
    QAccessibleInterface* alarm =
        find(win, QStringLiteral("Use alarm every interval you set for your rest time"), QAccessible::CheckBox);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(alarm->object(), lever);
    ASSERT_FALSE(lever->isOn());
    EXPECT_TRUE(alarm->state().checkable);
    EXPECT_FALSE(alarm->state().checked);
    QAccessibleActionInterface* actions = alarm->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_GE(actions->actionNames().size(), 2);
    EXPECT_EQ(actions->actionNames().at(0), QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));

    QStringList order;
    QObject::connect(lever, &ui::TwoStateSwitch::toggled, [&](bool on) {
        order << QStringLiteral("toggled %1").arg(on);
        // The command sees the switch already flipped.
        EXPECT_EQ(h.app->restAlarm().alarmOn(), on);
    });
    QObject::connect(lever, &ui::TwoStateSwitch::clicked, [&] { order << QStringLiteral("clicked"); });
    QObject::connect(&h.app->actions().alarmSwitch, &QAction::triggered, [&] { order << QStringLiteral("command"); });
    h.fp.sounds.clear();
    seen().clear();
    actions->doAction(QAccessibleActionInterface::pressAction());
    // The command hangs on toggled(): it runs inside it, before the click.
    EXPECT_EQ(order.join(QStringLiteral(", ")), QStringLiteral("command, toggled 1, clicked"));
    EXPECT_TRUE(lever->isOn());
    EXPECT_TRUE(alarm->state().checked);
    EXPECT_TRUE(h.app->restTimer().running());
    EXPECT_EQ(h.fp.sounds, QStringList{h.cue("button.wav")});
    std::vector<Seen> ev = eventsOn(lever);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, QAccessible::StateChanged);
    EXPECT_TRUE(ev[0].checkedChanged);
    EXPECT_EQ(allText(passed), QStringLiteral("0"));  // the switch leaves the passed minutes alone

    // Off again by the toggle action: the command stops the rest timer.
    order.clear();
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(order.join(QStringLiteral(", ")), QStringLiteral("command, toggled 0, clicked"));
    EXPECT_FALSE(alarm->state().checked);
    EXPECT_FALSE(h.app->restTimer().running());

    // A disabled switch ignores the action, as it ignores the mouse.
    order.clear();
    lever->setEnabled(false);
    actions->doAction(QAccessibleActionInterface::pressAction());
    lever->setEnabled(true);
    EXPECT_TRUE(order.isEmpty());
    EXPECT_FALSE(lever->isOn());

    // The auto-refresh switch reads as a check box too.
    QAccessibleInterface* autoRefresh =
        find(win, QStringLiteral("Auto run the REFRESH MEMORY"), QAccessible::CheckBox);
    ASSERT_NE(autoRefresh, nullptr);
    EXPECT_EQ(autoRefresh->state().checked, h.mainControl<ui::TwoStateSwitch>("RxSwitch1")->isOn());
}

TEST(Accessibility, ChangesReachAssistiveTechnologyOnlyWhenSomethingMoved) {
    ScreenReader reader;
    AppHarness h;
    ASSERT_NO_FATAL_FAILURE(showThenTick(h));
    auto* gauge = h.mainControl<ui::Gauge>("Gauge3");
    auto* led = h.mainControl<ui::LedNumber>("LMDLEDLabel1");
    auto* stopwatch = h.mainControl<ui::StopwatchDisplay>("dxfTimer1");
    auto* lever = h.mainControl<ui::TwoStateSwitch>("RxSwitch1");
    ASSERT_TRUE(gauge && led && stopwatch && lever);
    h.app->restTimer().stop();
    QApplication::processEvents();

    // A tick where nothing moved: not one event from the widget set.
    seen().clear();
    ASSERT_TRUE(h.monitorTimer().fire());
    EXPECT_TRUE(eventsOn(nullptr).empty());

    // The same values set again: nothing either.
    gauge->setProgress(gauge->progress());
    led->setValue(led->value());
    stopwatch->setSeconds(stopwatch->seconds());
    stopwatch->setSeconds(stopwatch->seconds() + 86400);  // the same time of day
    lever->setOn(lever->isOn());
    EXPECT_TRUE(eventsOn(nullptr).empty());

    // A new load: the gauge re-fills from 0 up through every point, but
    // each load gauge sends one value change, for the value it ends on.
    h.fp.loads = {52};
    ASSERT_TRUE(h.monitorTimer().fire());
    std::vector<Seen> ev = eventsOn(gauge);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, QAccessible::ValueChanged);
    EXPECT_EQ(ev[0].value.toInt(), 52);
    EXPECT_EQ(eventsOn(h.mainControl("Gauge1")).size(), 1u);
    EXPECT_EQ(eventsOn(h.mainControl("Gauge2")).size(), 1u);

    // A re-fill that ends where it began says nothing.
    seen().clear();
    gauge->setProgress(0);
    gauge->setProgress(52);
    EXPECT_TRUE(eventsOn(gauge).empty());
    // A smaller maximum that cuts the value is a change.
    gauge->setMaxValue(30);
    ev = eventsOn(gauge);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].value.toInt(), 30);

    // Text and checked state: one event per real change, with the old and
    // new text.
    seen().clear();
    led->setValue(12);
    stopwatch->setSeconds(59);
    stopwatch->setSeconds(60);
    lever->setOn(!lever->isOn());
    ev = eventsOn(led);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, QAccessible::TextUpdated);
    EXPECT_EQ(ev[0].inserted, QStringLiteral("12"));
    ev = eventsOn(stopwatch);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[1].type, QAccessible::TextUpdated);
    EXPECT_EQ(ev[1].removed, QStringLiteral("00:00:59"));
    EXPECT_EQ(ev[1].inserted, QStringLiteral("00:01:00"));
    ev = eventsOn(lever);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_TRUE(ev[0].checkedChanged);
}

#include "ui/accessibility.h"

#include "ui/gauge.h"
#include "ui/lednumber.h"
#include "ui/shape.h"
#include "ui/stopwatchdisplay.h"
#include "ui/twostateswitch.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

namespace ostra::ui {

namespace {

// The main window's class: a plain QWidget at the top, which Qt would
// otherwise present as a nameless pane.
constexpr QLatin1StringView kMainWindowClass("ostra::MainWindow");

// The accessible name, else the tool tip.
QString hintName(const QWidget* w) { return w->accessibleName().isEmpty() ? w->toolTip() : w->accessibleName(); }

bool hasHint(const QWidget* w) { return !w->accessibleName().isEmpty() || !w->toolTip().isEmpty(); }

// A gauge without a name is part of the picture: a graphic without a value.
class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit GaugeAccessible(Gauge* g) : QAccessibleWidget(g, QAccessible::ProgressBar) {}

    Gauge* gauge() const { return static_cast<Gauge*>(widget()); }

    QAccessible::Role role() const override {
        return hasHint(gauge()) ? QAccessible::ProgressBar : QAccessible::Graphic;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return hintName(gauge());
        if (t == QAccessible::Value) return QString::number(gauge()->percentDone()) + QLatin1Char('%');
        return QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return hasHint(gauge()) ? static_cast<QAccessibleValueInterface*>(this) : nullptr;
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return gauge()->progress(); }
    // The value is the program's to set.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return gauge()->maxValue(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// Shapes drawn on a window: part of its picture, named by their hint when
// they have one.
class DecorationAccessible : public QAccessibleWidget {
public:
    explicit DecorationAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Graphic) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return hintName(widget());
        return QAccessibleWidget::text(t);
    }
};

// Static text whose text interface reads what the widget shows. Nothing in
// it can be selected, and the caret stays at 0.
class ShownTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ShownTextAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}

    virtual QString shown() const = 0;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return hintName(widget());
        if (t == QAccessible::Value) return shown();
        return QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(int startOffset, int endOffset) const override {
        const QString s = shown();
        const int size = static_cast<int>(s.size());
        if (endOffset < 0 || endOffset > size) endOffset = size;
        startOffset = std::clamp(startOffset, 0, endOffset);
        return s.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(shown().size()); }

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
};

class LedNumberAccessible : public ShownTextAccessible {
public:
    explicit LedNumberAccessible(LedNumber* w) : ShownTextAccessible(w) {}
    QString shown() const override { return static_cast<LedNumber*>(widget())->displayText().trimmed(); }
};

class StopwatchAccessible : public ShownTextAccessible {
public:
    explicit StopwatchAccessible(StopwatchDisplay* w) : ShownTextAccessible(w) {}
    QString shown() const override { return static_cast<StopwatchDisplay*>(widget())->text(); }
};

// A left click in the middle of the widget, through its own mouse handlers,
// so that it does exactly what the user's click does.
void clickAsMouse(QWidget* w) {
    QPointer<QWidget> target(w);
    const QPointF local = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    if (!target) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

class SwitchAccessible : public QAccessibleWidget {
public:
    explicit SwitchAccessible(TwoStateSwitch* s) : QAccessibleWidget(s, QAccessible::CheckBox) {}

    TwoStateSwitch* lever() const { return static_cast<TwoStateSwitch*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return hintName(lever());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = lever()->isOn();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction()) {
            if (lever()->isEnabled()) clickAsMouse(lever());
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == toggleAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }
};

QAccessibleInterface* factory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (key == QLatin1StringView(Gauge::staticMetaObject.className()))
        return new GaugeAccessible(static_cast<Gauge*>(w));
    if (key == QLatin1StringView(Shape::staticMetaObject.className()) ||
        key == QLatin1StringView(Diamond::staticMetaObject.className()))
        return new DecorationAccessible(w);
    if (key == QLatin1StringView(LedNumber::staticMetaObject.className()))
        return new LedNumberAccessible(static_cast<LedNumber*>(w));
    if (key == QLatin1StringView(StopwatchDisplay::staticMetaObject.className()))
        return new StopwatchAccessible(static_cast<StopwatchDisplay*>(w));
    if (key == QLatin1StringView(TwoStateSwitch::staticMetaObject.className()))
        return new SwitchAccessible(static_cast<TwoStateSwitch*>(w));
    if (key == kMainWindowClass && w->isWindow()) return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(factory);
}

namespace a11y {

// Qt's own widgets send their events unconditionally too: the update
// handler of a test sees them while no bridge is active, and without one
// updateAccessibility() returns early.
void valueChanged(QWidget* w, int value) {
    QAccessibleValueChangeEvent event(w, value);
    QAccessible::updateAccessibility(&event);
}

void textChanged(QWidget* w, const QString& before, const QString& after) {
    if (before == after) return;
    QAccessibleTextUpdateEvent event(w, 0, before, after);
    QAccessible::updateAccessibility(&event);
}

void checkedChanged(QWidget* w) {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(w, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace a11y

}  // namespace ostra::ui

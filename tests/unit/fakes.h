// Window stand-ins for the logic tests: a main window and a warning window
// that record what the controller and the monitor ask of them, and a rig
// that wires them to a MainController on the fake platform.
#pragma once

#include "app/main_controller.h"
#include "monitor/monitor.h"
#include "platform/fake/fake_platform.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace ostra::test {

class FakeMainView : public MainView {
public:
    bool shown = true;
    int left_ = kDesignLeft;
    int top_ = kDesignTop;
    int height = 0;
    std::vector<int> heights;  // every setHeight
    int figuresChangedCount = 0;
    int gaugeSteps = 0;
    int historyChangedCount = 0;
    int settingsChangedCount = 0;
    int favoritesSet = 0;
    QStringList favorites;
    QStringList hints;
    QStringList events;  // "favorites", "closeMain" in call order
    std::function<void()> onGaugeStep;
    std::function<void()> onClose;  // what closing the window runs

    bool mainShown() const override { return shown; }
    void figuresChanged() override { ++figuresChangedCount; }
    void loadGaugesStep() override {
        ++gaugeSteps;
        if (onGaugeStep) onGaugeStep();
    }
    void historyChanged() override { ++historyChangedCount; }
    void trayHintChanged(const QString& hint) override { hints << hint; }

    int left() const override { return left_; }
    int top() const override { return top_; }
    void setLeft(int x) override { left_ = x; }
    void setTop(int y) override { top_ = y; }
    void setHeight(int h) override {
        height = h;
        heights.push_back(h);
    }
    void settingsChanged() override { ++settingsChangedCount; }
    void setFavorites(const QStringList& names) override {
        ++favoritesSet;
        favorites = names;
        events << QStringLiteral("favorites");
    }
    void closeMain() override {
        events << QStringLiteral("closeMain");
        if (onClose) onClose();
    }
};

// The warning window. By default a modal showing stays open after
// showModal() returns, standing for ticks that arrive while it is up; with
// closeAfterModal it behaves like a modal wait that ended with the window
// closed. onModal runs inside the modal wait (nested ticks, button presses).
class FakeWarningWindow : public WarningWindow {
public:
    bool shown = false;
    bool closeAfterModal = false;
    QString text;
    QColor panel = kRed;  // the panel's design colour
    int modalCount = 0;
    int modelessCount = 0;
    int modalDepth = 0;
    int maxModalDepth = 0;
    QStringList messages;  // every setMessage in order
    std::vector<QColor> colors;  // every setPanelColor in order
    std::function<void()> onModal;

    bool isShown() const override { return shown; }
    QString message() const override { return text; }
    void setMessage(const QString& t) override {
        text = t;
        messages << t;
    }
    QColor panelColor() const override { return panel; }
    void setPanelColor(const QColor& c) override {
        panel = c;
        colors.push_back(c);
    }
    void showModeless() override {
        ++modelessCount;
        shown = true;
    }
    void showModal() override {
        ++modalCount;
        shown = true;
        ++modalDepth;
        if (modalDepth > maxModalDepth) maxModalDepth = modalDepth;
        if (onModal) onModal();
        --modalDepth;
        if (closeAfterModal) shown = false;
    }
};

// A fake platform whose profile writes start failing after a number of
// successful ones.
class FailingWritesPlatform : public FakePlatform {
public:
    int writesLeft = 0;
    int attempts = 0;
    bool writeProfileString(const QString& file, const QString& section, const QString& key,
                            const QString& value) override {
        ++attempts;
        if (writesLeft <= 0) return false;
        --writesLeft;
        return FakePlatform::writeProfileString(file, section, key, value);
    }
};

// The main window's logic on the fake platform with recording windows.
template <class P = FakePlatform>
struct BasicRig {
    explicit BasicRig(QString folder = QStringLiteral("/prog")) {
        ctl = std::make_unique<MainController>(platform, std::move(folder), view, warning, options);
        // Closing the main window runs the shutdown sequence.
        view.onClose = [this] {
            view.shown = false;
            ctl->formClose();
        };
    }

    FakeTimer& monitorTimer() { return dynamic_cast<FakeTimer&>(ctl->monitor().timer()); }
    Figures& fig() { return ctl->monitor().figures(); }
    Monitor& monitor() { return ctl->monitor(); }
    // One tick in which every reading is `load`.
    void tickAt(int load) {
        platform.loads = {load};
        ctl->monitor().tick();
    }
    // Shows the main window with every reading at `load`.
    void showAt(int load) {
        platform.loads = {load};
        ctl->formShow();
    }
    QStringList soundNames() const {
        QStringList out;
        for (const QString& s : platform.sounds) out << s.section(QLatin1Char('/'), -1);
        return out;
    }

    P platform;
    FakeMainView view;
    FakeWarningWindow warning;
    WarningOptions options;
    std::unique_ptr<MainController> ctl;
};

using Rig = BasicRig<>;

}  // namespace ostra::test

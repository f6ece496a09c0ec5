// The whole program on the fake platform, for tests that drive its real
// windows offscreen: the five windows, the popup menu and the commands.
#pragma once

#include "app/main_window.h"
#include "app/ostra_app.h"
#include "monitor/options_window.h"
#include "monitor/warning_dialog.h"
#include "fakes/fake_platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace ostra::testing {

struct AppHarness {
    QTemporaryDir dir;
    FakePlatform fp;  // outlives the app
    std::unique_ptr<OstraApp> app;

    AppHarness() { app = std::make_unique<OstraApp>(fp.services(), dir.path()); }
    explicit AppHarness(const std::function<void(FakePlatform&, const QString& folder)>& before) {
        before(fp, dir.path());
        app = std::make_unique<OstraApp>(fp.services(), dir.path());
    }

    // Shows the main window (the start-up sequence) and forgets what that
    // played and wrote.
    void start() {
        app->start();
        QApplication::processEvents();
        fp.sounds.clear();
    }
    QString cue(const char* name) const { return dir.path() + QLatin1Char('/') + QLatin1String(name); }
    FakeTimer& monitorTimer() { return static_cast<FakeTimer&>(app->monitor().timer()); }

    MainWindow& main() { return app->mainWindow(); }
    OptionsWindow& options() { return app->optionsWindow(); }
    WarningDialog& warning() { return app->warningWindow(); }
    template <typename T = QWidget>
    T* mainControl(const char* name) {
        T* w = main().findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << "no control " << name << " on the main window";
        return w;
    }
    template <typename T = QWidget>
    static T* child(QWidget& parent, const char* name) {
        T* w = parent.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << "no control " << name << " in " << parent.objectName().toStdString();
        return w;
    }
};

// The command action of the given design name (the popup entry's or the
// main window button's).
inline QAction* actionNamed(OstraApp& app, const char* name) {
    for (QAction* a : app.actions().all())
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

// A left click in the middle of a button, through the window system path
// (so a modal window blocks it as it would block the user).
inline void clickButton(QAbstractButton* b) {
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
}

// Runs `body` inside the modal loop that `trigger` opens, then closes the
// modal window if the body left it open. Returns whether the body ran
// inside a modal loop. A watchdog closes every modal window after 10 s so
// that a test cannot hang.
inline bool whileModal(const std::function<void()>& trigger, const std::function<void(QWidget* modal)>& body) {
    QObject context;
    bool ran = false;
    QTimer::singleShot(0, &context, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        ran = true;
        QPointer<QWidget> modal(m);
        body(m);
        if (modal && modal->isVisible()) modal->close();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "a modal window stayed open for 10 s";
        for (int i = 0; i < 10; ++i) {
            QWidget* m = QApplication::activeModalWidget();
            if (!m) break;
            // Past any override that could refuse to close.
            if (auto* d = qobject_cast<QDialog*>(m))
                d->QDialog::done(QDialog::Rejected);
            else
                m->hide();
        }
    });
    watchdog.start(10000);
    trigger();
    return ran;
}

// Closes every modal window as soon as it opens, while alive.
class ModalCloser {
public:
    ModalCloser() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                ++closed;
                m->close();
            }
        });
        timer_.start();
    }
    int closed = 0;

private:
    QTimer timer_;
};

}  // namespace ostra::testing

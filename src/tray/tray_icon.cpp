#include "tray/tray_icon.h"

#include "tray/status_notifier_item.h"
#include "tray/tray_frames_x11.h"
#include "ui/artwork.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <xcb/xcb.h>

namespace ostra {

namespace {

// Qt's window for an XEmbed tray icon.
QWidget* findIconWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QSystemTrayIconSys")) return w;
    return nullptr;
}

}  // namespace

// On an XEmbed tray the icon is a window of the program's own, and while a
// modal window (the options, the warning, a message box) is open Qt drops
// its clicks like those of every other window. The icon must still answer:
// its presses are taken from the X events before Qt drops them.
class TrayIcon::ModalClicks : public QAbstractNativeEventFilter {
public:
    explicit ModalClicks(TrayIcon& icon) : icon_(icon) {
        // Qt reads the mouse through the X Input extension: its presses
        // come as generic events of that extension.
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            xcb_connection_t* c = x11->connection();
            const char name[] = "XInputExtension";
            xcb_query_extension_reply_t* r =
                xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr);
            if (r && r->present) xinput_ = r->major_opcode;
            std::free(r);
        }
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !QApplication::activeModalWidget()) return false;
        const std::optional<Press> press = buttonPress(static_cast<const xcb_generic_event_t*>(message));
        if (!press) return false;
        QWidget* window = findIconWindow();
        if (!window || press->window != window->winId()) return false;
        if (press->button == 3) {
            const qreal dpr = window->devicePixelRatioF();
            icon_.menu_->popup(QPoint(qRound(press->rootX / dpr), qRound(press->rootY / dpr)));
        } else if (press->button == 1) {
            // The second press of a double-click runs the default entry.
            const bool second =
                lastPress_ && press->time - *lastPress_ <= xcb_timestamp_t(QApplication::doubleClickInterval());
            lastPress_ = second ? std::nullopt : std::optional<xcb_timestamp_t>(press->time);
            if (second) emit icon_.defaultRequested();
        }
        return true;
    }

private:
    struct Press {
        xcb_window_t window;
        std::uint32_t button;
        xcb_timestamp_t time;
        int rootX, rootY;
    };

    std::optional<Press> buttonPress(const xcb_generic_event_t* ev) const {
        const std::uint8_t kind = ev->response_type & 0x7f;
        if (kind == XCB_BUTTON_PRESS) {
            const auto* p = reinterpret_cast<const xcb_button_press_event_t*>(ev);
            return Press{p->event, p->detail, p->time, p->root_x, p->root_y};
        }
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
        constexpr std::uint16_t kXIButtonPress = 4;
        if (kind != XCB_GE_GENERIC || !xinput_ || ge->extension != *xinput_ || ge->event_type != kXIButtonPress)
            return std::nullopt;
        // The XI2 device event as xcb hands it over: time at 12, button at
        // 16, event window at 24, root position (16.16 fixed point) at 36.
        const auto* raw = reinterpret_cast<const unsigned char*>(ev);
        std::uint32_t time, button, window;
        std::int32_t rootX, rootY;
        std::memcpy(&time, raw + 12, 4);
        std::memcpy(&button, raw + 16, 4);
        std::memcpy(&window, raw + 24, 4);
        std::memcpy(&rootX, raw + 36, 4);
        std::memcpy(&rootY, raw + 40, 4);
        return Press{window, button, time, rootX >> 16, rootY >> 16};
    }

    TrayIcon& icon_;
    std::optional<std::uint8_t> xinput_;
    std::optional<xcb_timestamp_t> lastPress_;
};

TrayIcon::TrayIcon(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
    pictures_[0] = ui::trayPicture(0);
    pictures_[1] = ui::trayPicture(1);
    tray_ = new QSystemTrayIcon(pictures_[0], this);
    tray_->setContextMenu(menu_);
    if (StatusNotifierItem::hostPresent()) {
        // A StatusNotifier panel: our own item; Qt's icon stays hidden. Such
        // panels report a left click as "Activate", the way they open
        // their programs. Should the item get no bus connection of its own,
        // Qt's icon goes to the panel instead.
        item_ = std::make_unique<StatusNotifierItem>(menu_, &ui::trayFrame);
        if (item_->connected())
            connect(item_.get(), &StatusNotifierItem::activated, this, &TrayIcon::defaultRequested);
        else
            item_.reset();
    } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // An XEmbed tray reports the clicks themselves; there only a
        // double-click shows the window.
        modalClicks_ = std::make_unique<ModalClicks>(*this);
        QCoreApplication::instance()->installNativeEventFilter(modalClicks_.get());
        // The animation's pictures go straight to the icon window.
        direct_ = TrayFramesX11::create(&ui::trayFrame);
    }
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) emit defaultRequested();
    });
    animation_.setInterval(kFrameMs);
    animation_.setTimerType(Qt::PreciseTimer);
    connect(&animation_, &QTimer::timeout, this, &TrayIcon::step);
}

TrayIcon::~TrayIcon() { tray_->hide(); }

void TrayIcon::show() {
    const bool animate = qEnvironmentVariableIsEmpty("OSTRA_TRAY_STILL");
    if (item_) {
        item_->show();
        item_->setAnimated(animate);
        return;
    }
    tray_->show();
    if (animate) animation_.start();
}

void TrayIcon::hide() {
    if (item_) {
        item_->hide();
        return;
    }
    animation_.stop();
    tray_->hide();
}

void TrayIcon::setAnimated(bool on) {
    if (item_) {
        item_->setAnimated(on);
    } else if (on) {
        animation_.start();
    } else {
        animation_.stop();
    }
}

bool TrayIcon::animated() const { return item_ ? item_->animated() : animation_.isActive(); }

int TrayIcon::frame() const { return item_ ? item_->frame() : frame_; }

void TrayIcon::step() {
    frame_ = (frame_ + 1) % 2;
    if (showDirect()) return;
    tray_->setIcon(pictures_[frame_]);
}

QWidget* TrayIcon::iconWindow() {
    if (!iconWindow_) {
        iconWindow_ = findIconWindow();
        if (iconWindow_) iconWindow_->installEventFilter(this);
    }
    return iconWindow_;
}

bool TrayIcon::showDirect() {
    if (!direct_) return false;
    QWidget* window = iconWindow();
    if (!window || !window->isVisible()) return false;
    if (direct_->show(window, frame_)) return true;
    // The window cannot take it (no picture format for its visual, say):
    // Qt paints from now on.
    direct_.reset();
    tray_->setIcon(pictures_[frame_]);
    return false;
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // Qt repaints the window with the picture it was last given (after an
    // expose, say): the current one follows at once.
    if (watched == iconWindow_ && event->type() == QEvent::Paint && direct_)
        QMetaObject::invokeMethod(this, [this] { showDirect(); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void TrayIcon::setHint(const QString& hint) {
    QString t = cutTip(hint);
    if (t == tip_) return;
    tip_ = t;
    if (item_)
        item_->setToolTip(tip_);
    else
        tray_->setToolTip(tip_);
}

}  // namespace ostra

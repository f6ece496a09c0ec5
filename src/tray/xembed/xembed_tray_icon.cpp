#include "tray/xembed/xembed_tray_icon.h"

#include "tray/xembed/modal_clicks.h"
#include "tray/xembed/tray_frames_x11.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace ostra {

XEmbedTrayIcon::XEmbedTrayIcon(QMenu* menu, std::array<QIcon, 2> icons, const TrayPictures& render,
                               QObject* parent)
    : TrayBackend(parent), pictures_(std::move(icons)), animation_([this](int frame) { step(frame); }) {
    tray_ = new QSystemTrayIcon(pictures_[0], this);
    tray_->setContextMenu(menu);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        modalClicks_ = std::make_unique<ModalClicks>(menu, [this] { emit activated(); });
        QCoreApplication::instance()->installNativeEventFilter(modalClicks_.get());
        // The animation's pictures go straight to the icon window.
        direct_ = TrayFramesX11::create(render);
    }
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) emit activated();
    });
}

XEmbedTrayIcon::~XEmbedTrayIcon() { tray_->hide(); }

void XEmbedTrayIcon::show() { tray_->show(); }

void XEmbedTrayIcon::hide() {
    animation_.setRunning(false);
    tray_->hide();
}

void XEmbedTrayIcon::setToolTip(const QString& text) { tray_->setToolTip(text); }

void XEmbedTrayIcon::step(int frame) {
    if (showDirect()) return;
    tray_->setIcon(pictures_[frame]);
}

QWidget* XEmbedTrayIcon::iconWindow() {
    if (!iconWindow_) {
        iconWindow_ = findXEmbedIconWindow();
        if (iconWindow_) iconWindow_->installEventFilter(this);
    }
    return iconWindow_;
}

bool XEmbedTrayIcon::showDirect() {
    if (!direct_) return false;
    QWidget* window = iconWindow();
    if (!window || !window->isVisible()) return false;
    if (direct_->show(window, animation_.frame())) return true;
    // The window cannot take it (no picture format for its visual, say):
    // Qt paints from now on.
    direct_.reset();
    tray_->setIcon(pictures_[animation_.frame()]);
    return false;
}

bool XEmbedTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // Qt repaints the window with the picture it was last given (after an
    // expose, say): the current one follows at once.
    if (watched == iconWindow_ && event->type() == QEvent::Paint && direct_)
        QMetaObject::invokeMethod(
            this, [this] { showDirect(); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

}  // namespace ostra

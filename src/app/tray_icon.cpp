#include "app/tray_icon.h"

#include "ui/artwork.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QSystemTrayIcon>

namespace ostra {

TrayIcon::TrayIcon(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
    pictures_[0] = ui::trayPicture(0);
    pictures_[1] = ui::trayPicture(1);
    tray_ = new QSystemTrayIcon(pictures_[0], this);
    tray_->setContextMenu(menu_);
    // A StatusNotifierItem host reports a left click as "Activate", the way
    // such panels open their programs; an XEmbed tray reports clicks
    // themselves, and there only a double-click shows the window.
    if (QDBusConnection::sessionBus().isConnected()) {
        auto* bus = QDBusConnection::sessionBus().interface();
        statusNotifier_ = bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick ||
            (statusNotifier_ && r == QSystemTrayIcon::Trigger))
            emit defaultRequested();
    });
    animation_.setInterval(kFrameMs);
    animation_.setTimerType(Qt::PreciseTimer);
    connect(&animation_, &QTimer::timeout, this, &TrayIcon::step);
}

TrayIcon::~TrayIcon() { tray_->hide(); }

void TrayIcon::show() {
    tray_->show();
    if (qEnvironmentVariableIsEmpty("OSTRA_TRAY_STILL")) animation_.start();
}

void TrayIcon::hide() {
    animation_.stop();
    tray_->hide();
}

void TrayIcon::setAnimated(bool on) {
    if (on)
        animation_.start();
    else
        animation_.stop();
}

void TrayIcon::step() {
    frame_ = (frame_ + 1) % 2;
    tray_->setIcon(pictures_[frame_]);
}

void TrayIcon::setHint(const QString& hint) {
    QString t = cutTip(hint);
    if (t == tip_) return;
    tip_ = t;
    tray_->setToolTip(tip_);
}

}  // namespace ostra

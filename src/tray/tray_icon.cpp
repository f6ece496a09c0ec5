#include "tray/tray_icon.h"

namespace ostra {

TrayIcon::TrayIcon(std::unique_ptr<TrayBackend> backend, QObject* parent)
    : QObject(parent), backend_(backend.release()) {
    backend_->setParent(this);
    connect(backend_, &TrayBackend::activated, this, &TrayIcon::defaultRequested);
}

void TrayIcon::show() {
    backend_->show();
    backend_->setAnimated(qEnvironmentVariableIsEmpty("OSTRA_TRAY_STILL"));
}

void TrayIcon::hide() { backend_->hide(); }

void TrayIcon::setHint(const QString& hint) {
    QString t = cutTip(hint);
    if (t == tip_) return;
    tip_ = t;
    backend_->setToolTip(tip_);
}

}  // namespace ostra

// The notification-area icon: two pictures alternating every 150 ms, the
// monitor's hint as its tip (cut to 63 characters, passed on only when it
// changes), the popup menu, and "Show" when the panel asks for the default
// entry. How it reaches the panel is the backend's business, chosen once
// at start (see tray_backend.h).
#pragma once

#include "tray/tray_backend.h"

#include <QObject>
#include <QString>

#include <memory>

namespace ostra {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kTipLength = 63;

    // Takes the backend over as a child.
    explicit TrayIcon(std::unique_ptr<TrayBackend> backend, QObject* parent = nullptr);

    // Shows the icon, animated unless OSTRA_TRAY_STILL is set.
    void show();
    void hide();
    void setHint(const QString& hint);
    QString tip() const { return tip_; }
    int frame() const { return backend_->frame(); }
    void setAnimated(bool on) { backend_->setAnimated(on); }
    bool animated() const { return backend_->animated(); }
    TrayBackend& backend() const { return *backend_; }

    static QString cutTip(const QString& hint) { return hint.left(kTipLength); }

signals:
    // The default entry of the menu should run.
    void defaultRequested();

private:
    TrayBackend* backend_;
    QString tip_;
};

}  // namespace ostra

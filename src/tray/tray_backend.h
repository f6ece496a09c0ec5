// One way to put the notification-area icon on the panel: the
// StatusNotifier item (statusnotifier/) where the session bus has a
// watcher, else Qt's XEmbed icon (xembed/). The program chooses one at
// start and TrayIcon talks to it only through this interface.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

namespace ostra {

// `render(index, side)` gives picture 0 or 1 as a `side` x `side` image.
using TrayPictures = std::function<QImage(int, int)>;

// The two pictures alternate at this interval while the icon animates.
inline constexpr std::chrono::milliseconds kTrayFrameInterval{150};

class TrayBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Puts the icon on the panel / takes it away.
    virtual void show() = 0;
    virtual void hide() = 0;
    // The tip, as given (the caller cuts it).
    virtual void setToolTip(const QString& text) = 0;
    // Alternates the two pictures while on.
    virtual void setAnimated(bool on) = 0;
    virtual bool animated() const = 0;
    // The picture shown now, 0 or 1.
    virtual int frame() const = 0;

signals:
    // The user asked for the menu's default entry ("Show") the way this
    // panel offers it: a double-click, or a primary or middle click.
    void activated();
};

}  // namespace ostra

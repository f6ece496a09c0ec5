// The tray icon as a StatusNotifierItem of the program's own, for panels
// that show D-Bus tray items: the two animation pictures, the tip, the
// popup menu (exported as a com.canonical.dbusmenu) and the clicks.
//
// The item has a session-bus connection of its own (sd-bus), driven from the
// user-interface thread's event loop: an animation step is one NewIcon
// signal and the host's few property reads, answered from pictures prepared
// once, with no other thread and no per-message framework in between.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QMenu;

namespace ostra {

class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    // Whether the session bus has a StatusNotifier watcher (a panel that
    // shows such items).
    static bool hostPresent();

    // `render(index, side)` gives picture 0 or 1 as a `side` x `side` image.
    // Without a session bus the item stays silent: show() registers nothing.
    StatusNotifierItem(QMenu* menu, const std::function<QImage(int, int)>& render, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Registers the item with the watcher (again after the watcher
    // restarts) / takes it away.
    void show();
    void hide();
    void setToolTip(const QString& text);
    void setAnimated(bool on);
    bool animated() const { return animated_; }
    // The picture shown now, 0 or 1.
    int frame() const;
    // Whether the item has its own connection to the session bus.
    bool connected() const;

signals:
    // A primary click (Activate), or a middle one (SecondaryActivate).
    void activated();

private:
    class Impl;
    std::unique_ptr<Impl> d_;
    bool animated_ = false;
};

}  // namespace ostra

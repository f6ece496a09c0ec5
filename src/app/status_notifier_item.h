// The tray icon as a StatusNotifierItem of the program's own, for panels
// that show D-Bus tray items: the two animation pictures, the tip, the
// popup menu (exported as a com.canonical.dbusmenu) and the clicks.
//
// The item answers the host on the D-Bus connection's own thread: an
// animation step is one NewIcon signal and the host's few property reads,
// answered there from pictures prepared once, so the user-interface thread
// does not wake for it. The menu and the clicks are handled on the
// user-interface thread, where the actions live.
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

signals:
    // A primary click (Activate).
    void activated();

private:
    class Item;
    class Menu;
    void registerWithWatcher();

    QMenu* menu_;
    QString service_;
    Item* item_;                   // lives on the D-Bus thread
    std::unique_ptr<Menu> menuObject_;
    bool shown_ = false;
    bool animated_ = false;
};

}  // namespace ostra

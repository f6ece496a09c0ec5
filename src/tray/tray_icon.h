// The notification-area icon: two pictures alternating every 150 ms, the
// monitor's hint as its tip (cut to 63 characters, passed on only when it
// changes), the popup menu, and "Show" on a double-click (a primary click on
// a StatusNotifier panel). On an XEmbed tray it is Qt's tray icon; where the
// session bus has a StatusNotifier watcher, an item of our own.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace ostra {

class StatusNotifierItem;
class TrayFramesX11;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kTipLength = 63;
    static constexpr int kFrameMs = 150;

    explicit TrayIcon(QMenu* menu, QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    void hide();
    void setHint(const QString& hint);
    QString tip() const { return tip_; }
    int frame() const;
    void setAnimated(bool on);
    bool animated() const;
    QSystemTrayIcon* icon() const { return tray_; }

    static QString cutTip(const QString& hint) { return hint.left(kTipLength); }

signals:
    // The default entry of the menu should run.
    void defaultRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ModalClicks;
    void step();
    // The XEmbed icon window, once Qt has made it.
    QWidget* iconWindow();
    // Shows the current picture straight through the X server; false when
    // Qt must paint it.
    bool showDirect();

    QSystemTrayIcon* tray_;
    QMenu* menu_;
    QIcon pictures_[2];
    int frame_ = 0;
    QTimer animation_;
    QString tip_;
    std::unique_ptr<ModalClicks> modalClicks_;
    std::unique_ptr<TrayFramesX11> direct_;
    // On a panel that shows D-Bus items: the item of our own, in place of
    // Qt's (which stays hidden).
    std::unique_ptr<StatusNotifierItem> item_;
    QPointer<QWidget> iconWindow_;
};

}  // namespace ostra

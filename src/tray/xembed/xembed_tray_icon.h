// The tray icon on an XEmbed tray: Qt's QSystemTrayIcon. Its clicks while a
// modal window is open come from the X events (ModalClicks), and on X11
// the animation's pictures go straight to the icon window (TrayFramesX11).
// There only a double-click asks for the default entry.
#pragma once

#include "tray/tray_animation.h"
#include "tray/tray_backend.h"

#include <QIcon>
#include <QPointer>

#include <array>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace ostra {

class ModalClicks;
class TrayFramesX11;

class XEmbedTrayIcon : public TrayBackend {
    Q_OBJECT
public:
    // `icons` are the two pictures as Qt paints them; `render` gives them
    // at the icon window's exact size for the X server.
    XEmbedTrayIcon(QMenu* menu, std::array<QIcon, 2> icons, const TrayPictures& render, QObject* parent = nullptr);
    ~XEmbedTrayIcon() override;

    void show() override;
    void hide() override;
    void setToolTip(const QString& text) override;
    void setAnimated(bool on) override { animation_.setRunning(on); }
    bool animated() const override { return animation_.running(); }
    int frame() const override { return animation_.frame(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int frame);
    // The XEmbed icon window, once Qt has made it.
    QWidget* iconWindow();
    // Shows the current picture straight through the X server; false when
    // Qt must paint it.
    bool showDirect();

    QSystemTrayIcon* tray_;
    std::array<QIcon, 2> pictures_;
    TrayAnimation animation_;
    std::unique_ptr<ModalClicks> modalClicks_;
    std::unique_ptr<TrayFramesX11> direct_;
    QPointer<QWidget> iconWindow_;
};

}  // namespace ostra

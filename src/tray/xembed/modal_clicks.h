// On an XEmbed tray the icon is a window of the program's own, and while a
// modal window (the options, the warning, a message box) is open Qt drops
// its clicks like those of every other window. The icon must still answer:
// its presses are taken from the X events before Qt drops them.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace ostra {

// Qt's window for an XEmbed tray icon, once it has made it.
QWidget* findXEmbedIconWindow();

class ModalClicks : public QAbstractNativeEventFilter {
public:
    // A right press opens `menu` at the pointer; the second left press of
    // a double-click runs `doubleClicked`.
    ModalClicks(QMenu* menu, std::function<void()> doubleClicked);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override;

private:
    struct Press {
        std::uint32_t window;
        std::uint32_t button;
        std::uint32_t time;
        int rootX, rootY;
    };
    std::optional<Press> buttonPress(const void* event) const;

    QPointer<QMenu> menu_;
    std::function<void()> doubleClicked_;
    std::optional<std::uint8_t> xinput_;
    std::optional<std::uint32_t> lastPress_;
};

}  // namespace ostra

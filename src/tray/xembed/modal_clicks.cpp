#include "tray/xembed/modal_clicks.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

namespace ostra {

QWidget* findXEmbedIconWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QSystemTrayIconSys")) return w;
    return nullptr;
}

ModalClicks::ModalClicks(QMenu* menu, std::function<void()> doubleClicked)
    : menu_(menu), doubleClicked_(std::move(doubleClicked)) {
    // Qt reads the mouse through the X Input extension: its presses come
    // as generic events of that extension.
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* c = x11->connection();
        const char name[] = "XInputExtension";
        xcb_query_extension_reply_t* r =
            xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr);
        if (r && r->present) xinput_ = r->major_opcode;
        std::free(r);
    }
}

bool ModalClicks::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t" || !QApplication::activeModalWidget()) return false;
    const std::optional<Press> press = buttonPress(message);
    if (!press) return false;
    QWidget* window = findXEmbedIconWindow();
    if (!window || press->window != window->winId()) return false;
    if (press->button == 3) {
        const qreal dpr = window->devicePixelRatioF();
        if (menu_) menu_->popup(QPoint(qRound(press->rootX / dpr), qRound(press->rootY / dpr)));
    } else if (press->button == 1) {
        // The second press of a double-click runs the default entry.
        const bool second =
            lastPress_ && press->time - *lastPress_ <= xcb_timestamp_t(QApplication::doubleClickInterval());
        lastPress_ = second ? std::nullopt : std::optional<xcb_timestamp_t>(press->time);
        if (second) doubleClicked_();
    }
    return true;
}

std::optional<ModalClicks::Press> ModalClicks::buttonPress(const void* event) const {
    const auto* ev = static_cast<const xcb_generic_event_t*>(event);
    const std::uint8_t kind = ev->response_type & 0x7f;
    if (kind == XCB_BUTTON_PRESS) {
        const auto* p = reinterpret_cast<const xcb_button_press_event_t*>(ev);
        return Press{p->event, p->detail, p->time, p->root_x, p->root_y};
    }
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
    constexpr std::uint16_t kXIButtonPress = 4;
    if (kind != XCB_GE_GENERIC || !xinput_ || ge->extension != *xinput_ || ge->event_type != kXIButtonPress)
        return std::nullopt;
    // The XI2 device event as xcb hands it over: time at 12, button at
    // 16, event window at 24, root position (16.16 fixed point) at 36.
    const auto* raw = reinterpret_cast<const unsigned char*>(ev);
    std::uint32_t time, button, window;
    std::int32_t rootX, rootY;
    std::memcpy(&time, raw + 12, 4);
    std::memcpy(&button, raw + 16, 4);
    std::memcpy(&window, raw + 24, 4);
    std::memcpy(&rootX, raw + 36, 4);
    std::memcpy(&rootY, raw + 40, 4);
    return Press{window, button, time, rootX >> 16, rootY >> 16};
}

}  // namespace ostra

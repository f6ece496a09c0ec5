#include "ui/x11/x11_pixels.h"

#include <QGuiApplication>

namespace ostra::ui {

xcb_connection_t* x11ConnectionForPixels() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) return nullptr;
    // Qt without X (offscreen) may still answer the interface, with no
    // connection.
    xcb_connection_t* c = x11->connection();
    if (!c) return nullptr;
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (!setup || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
        QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return nullptr;
    return c;
}

}  // namespace ostra::ui

#include "ui/x11/onscreen_x11.h"

#include "ui/x11/x11_pixels.h"

#include <QWidget>

#include <cstdlib>

namespace ostra::ui {

namespace {

xcb_connection_t* xcb(void* c) { return static_cast<xcb_connection_t*>(c); }

// Whether the server takes pictures of `depth` as 32-bit pixels.
bool thirtyTwoBitPixels(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth) return f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    return false;
}

}  // namespace

std::unique_ptr<OnScreenX11> OnScreenX11::create() {
    xcb_connection_t* c = x11ConnectionForPixels();
    if (!c) return nullptr;
    return std::unique_ptr<OnScreenX11>(new OnScreenX11(c));
}

OnScreenX11::OnScreenX11(void* connection) : connection_(connection) {}

OnScreenX11::~OnScreenX11() { release(); }

void OnScreenX11::release() {
    if (gc_) xcb_free_gc(xcb(connection_), gc_);
    gc_ = 0;
    window_ = 0;
    depth_ = 0;
}

bool OnScreenX11::present(QWidget* control, const QImage& picture) {
    if (!control || !control->testAttribute(Qt::WA_WState_Created)) return false;
    if (picture.format() != QImage::Format_RGB32 || picture.bytesPerLine() != picture.width() * 4) return false;
    xcb_connection_t* c = xcb(connection_);
    const auto window = static_cast<xcb_window_t>(control->winId());
    if (!window) return false;

    if (window != window_) {
        // A new window (the first picture, or the window was made again):
        // learn its depth once and make a drawing context for it.
        release();
        auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        if (!geometry) return false;
        const std::uint8_t depth = geometry->depth;
        std::free(geometry);
        if ((depth != 24 && depth != 32) || !thirtyTwoBitPixels(xcb_get_setup(c), depth)) return false;
        gc_ = xcb_generate_id(c);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(c, gc_, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        window_ = window;
        depth_ = depth;
    }

    // One request; a picture too large for it goes through Qt.
    const auto bytes = static_cast<std::uint64_t>(picture.sizeInBytes());
    const std::uint64_t limit = std::uint64_t(xcb_get_maximum_request_length(c)) * 4;
    if (bytes + sizeof(xcb_put_image_request_t) > limit) return false;

    // RGB32 keeps its unused byte at 0xff: on a 32-bit window that reads as
    // opaque.
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<std::uint16_t>(picture.width()),
                  static_cast<std::uint16_t>(picture.height()), 0, 0, 0, depth_, static_cast<std::uint32_t>(bytes),
                  picture.constBits());
    xcb_flush(c);
    ++puts_;
    return true;
}

}  // namespace ostra::ui

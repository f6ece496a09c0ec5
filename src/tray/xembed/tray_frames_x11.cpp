#include "tray/xembed/tray_frames_x11.h"

#include "ui/x11/x11_pixels.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <xcb/render.h>
#include <xcb/xcb.h>

namespace ostra {

namespace {

xcb_connection_t* xcb(void* c) { return static_cast<xcb_connection_t*>(c); }

template <typename T>
struct FreeReply {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

}  // namespace

struct TrayFramesX11::Formats {
    Reply<xcb_render_query_pict_formats_reply_t> reply;
    xcb_render_pictformat_t argb32 = 0;

    // The picture format of a window's visual; 0 when there is none.
    xcb_render_pictformat_t forVisual(xcb_visualid_t visual) const {
        for (auto s = xcb_render_query_pict_formats_screens_iterator(reply.get()); s.rem;
             xcb_render_pictscreen_next(&s))
            for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem; xcb_render_pictdepth_next(&d))
                for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem; xcb_render_pictvisual_next(&v))
                    if (v.data->visual == visual) return v.data->format;
        return 0;
    }
};

std::unique_ptr<TrayFramesX11> TrayFramesX11::create(std::function<QImage(int, int)> render) {
    // Pixels go to the server as they lie in memory.
    xcb_connection_t* c = ui::x11ConnectionForPixels();
    if (!c) return nullptr;
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_render_id);
    if (!ext || !ext->present) return nullptr;

    auto formats = std::make_unique<Formats>();
    formats->reply.reset(xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr));
    if (!formats->reply) return nullptr;
    for (auto f = xcb_render_query_pict_formats_formats_iterator(formats->reply.get()); f.rem;
         xcb_render_pictforminfo_next(&f)) {
        const xcb_render_pictforminfo_t& i = *f.data;
        const xcb_render_directformat_t& d = i.direct;
        if (i.type == XCB_RENDER_PICT_TYPE_DIRECT && i.depth == 32 && d.alpha_mask == 0xff &&
            d.alpha_shift == 24 && d.red_mask == 0xff && d.red_shift == 16 && d.green_mask == 0xff &&
            d.green_shift == 8 && d.blue_mask == 0xff && d.blue_shift == 0) {
            formats->argb32 = i.id;
            break;
        }
    }
    if (!formats->argb32) return nullptr;
    return std::unique_ptr<TrayFramesX11>(new TrayFramesX11(c, std::move(formats), std::move(render)));
}

TrayFramesX11::TrayFramesX11(void* connection, std::unique_ptr<Formats> formats,
                             std::function<QImage(int, int)> render)
    : connection_(connection), formats_(std::move(formats)), render_(std::move(render)) {}

TrayFramesX11::~TrayFramesX11() { release(); }

void TrayFramesX11::release() {
    xcb_connection_t* c = xcb(connection_);
    for (int i = 0; i < 2; ++i) {
        if (pictures_[i]) xcb_render_free_picture(c, pictures_[i]);
        if (pixmaps_[i]) xcb_free_pixmap(c, pixmaps_[i]);
        pictures_[i] = pixmaps_[i] = 0;
    }
    if (target_) xcb_render_free_picture(c, target_);
    target_ = 0;
    window_ = 0;
    width_ = height_ = 0;
    xcb_flush(c);
}

bool TrayFramesX11::prepare(std::uint32_t window, int width, int height, int depth, std::uint32_t visual) {
    release();
    xcb_connection_t* c = xcb(connection_);
    const xcb_render_pictformat_t windowFormat = formats_->forVisual(visual);
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4;
    // One PutImage request per picture; the request length counts 4-byte units.
    if (!windowFormat || bytes / 4 + 8 > xcb_get_maximum_request_length(c)) return false;

    // Each picture as the icon shows it: a square as large as the window
    // allows, in the middle, clear around.
    const int side = std::min(width, height);
    for (int i = 0; i < 2; ++i) {
        QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter p(&canvas);
            p.drawImage(QPoint((width - side) / 2, (height - side) / 2),
                        render_(i, side).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
        pixmaps_[i] = xcb_generate_id(c);
        xcb_create_pixmap(c, 32, pixmaps_[i], window, std::uint16_t(width), std::uint16_t(height));
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmaps_[i], 0, nullptr);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmaps_[i], gc, std::uint16_t(width), std::uint16_t(height),
                      0, 0, 0, 32, std::uint32_t(canvas.sizeInBytes()), canvas.constBits());
        xcb_free_gc(c, gc);
        pictures_[i] = xcb_generate_id(c);
        xcb_render_create_picture(c, pictures_[i], pixmaps_[i], formats_->argb32, 0, nullptr);
    }
    target_ = xcb_generate_id(c);
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_render_create_picture_checked(c, target_, window, windowFormat, 0, nullptr)));
    if (error) {
        target_ = 0;
        release();
        return false;
    }
    window_ = window;
    width_ = width;
    height_ = height;
    opaque_ = depth != 32;
    uploads_ += 2;
    return true;
}

bool TrayFramesX11::show(QWidget* window, int index) {
    if (!window || !window->testAttribute(Qt::WA_WState_Created)) return false;
    const qreal dpr = window->devicePixelRatioF();
    const int width = int(std::lround(window->width() * dpr));
    const int height = int(std::lround(window->height() * dpr));
    if (width <= 0 || height <= 0) return false;
    const auto id = std::uint32_t(window->winId());
    xcb_connection_t* c = xcb(connection_);
    if (id != window_ || width != width_ || height != height_) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr));
        if (!attributes || !geometry || !prepare(id, width, height, geometry->depth, attributes->visual))
            return false;
    }
    const std::uint32_t picture = pictures_[((index % 2) + 2) % 2];
    if (opaque_) {
        // The window's background is the panel's (its parent's): clear to
        // it, then lay the picture over it.
        xcb_clear_area(c, 0, window_, 0, 0, std::uint16_t(width_), std::uint16_t(height_));
        xcb_render_composite(c, XCB_RENDER_PICT_OP_OVER, picture, XCB_NONE, target_, 0, 0, 0, 0, 0, 0,
                             std::uint16_t(width_), std::uint16_t(height_));
    } else {
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, picture, XCB_NONE, target_, 0, 0, 0, 0, 0, 0,
                             std::uint16_t(width_), std::uint16_t(height_));
    }
    xcb_flush(c);
    return true;
}

}  // namespace ostra

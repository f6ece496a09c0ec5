// The tray animation drawn straight into the XEmbed icon window. Both
// pictures are uploaded to the X server once, at the window's exact size in
// device pixels; a step is then one composite of the server's own copy over
// the panel's background: no painting, no pixels sent, no round trip.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace ostra {

class TrayFramesX11 {
public:
    // `render(index, side)` gives picture 0 or 1 as a `side` x `side` image.
    // Nothing (the caller paints through Qt) without an X connection, the
    // X Rendering Extension or a usable picture format.
    static std::unique_ptr<TrayFramesX11> create(std::function<QImage(int, int)> render);
    ~TrayFramesX11();

    // Shows picture `index` in `window` (the icon's native window), first
    // preparing both pictures when the window's size changed. False when
    // the window cannot take it: the caller paints through Qt instead.
    bool show(QWidget* window, int index);
    // Uploads done so far (each preparation uploads two pictures).
    int uploads() const { return uploads_; }

private:
    struct Formats;
    TrayFramesX11(void* connection, std::unique_ptr<Formats> formats, std::function<QImage(int, int)> render);
    bool prepare(std::uint32_t window, int width, int height, int depth, std::uint32_t visual);
    void release();

    void* connection_;
    std::unique_ptr<Formats> formats_;
    std::function<QImage(int, int)> render_;
    std::uint32_t window_ = 0;
    int width_ = 0, height_ = 0;
    bool opaque_ = false;  // a 24-bit window: composite over its background
    std::uint32_t pixmaps_[2] = {0, 0};
    std::uint32_t pictures_[2] = {0, 0};
    std::uint32_t target_ = 0;  // the window's picture
    int uploads_ = 0;
};

}  // namespace ostra

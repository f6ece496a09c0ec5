// Pictures put straight into a control's own X window. A control that
// changes every second (the stopwatch) then never makes Qt wait for the X
// server: through the shared-memory backing store, repainting a place that
// was shown just before costs a round trip to the server each time.
#pragma once

#include <QImage>

#include <cstdint>
#include <memory>

class QWidget;

namespace ostra::ui {

class OnScreenX11 {
public:
    // Nothing without an X connection whose pixels lie in memory like ours
    // (32 bits a pixel, least significant byte first).
    static std::unique_ptr<OnScreenX11> create();
    ~OnScreenX11();
    OnScreenX11(const OnScreenX11&) = delete;
    OnScreenX11& operator=(const OnScreenX11&) = delete;

    // Puts `picture` (device pixels, RGB32) at the top left of `control`'s
    // native window. False when the window cannot take it as it is: the
    // caller paints through Qt instead.
    bool present(QWidget* control, const QImage& picture);
    // Pictures put so far.
    int puts() const { return puts_; }

private:
    explicit OnScreenX11(void* connection);
    void release();

    void* connection_;
    std::uint32_t window_ = 0;
    std::uint32_t gc_ = 0;
    std::uint8_t depth_ = 0;
    int puts_ = 0;
};

}  // namespace ostra::ui

// Rounded green tool tips. Qt creates a fresh tip label for each tool tip;
// an application-wide event filter gives every one of them a rounded window
// mask and draws a rounded outline over the standard painting.
#include "ui/artwork.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QRegion>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace ostra::ui {

namespace {

constexpr int kTipMargin = 3;
const char kShaperName[] = "ostra_tooltip_shaper";

// A rectangle with its four corners rounded off, row by row.
QRegion roundedRegion(QSize size, int radius) {
    const int w = size.width();
    const int h = size.height();
    radius = std::min({radius, w / 2, h / 2});
    if (radius <= 0) return QRegion(0, 0, w, h);
    QRegion region(0, radius, w, h - 2 * radius);
    for (int y = 0; y < radius; ++y) {
        const double dy = radius - y - 0.5;
        const int inset = static_cast<int>(std::lround(radius - std::sqrt(radius * radius - dy * dy)));
        region += QRect(inset, y, w - 2 * inset, 1);
        region += QRect(inset, h - 1 - y, w - 2 * inset, 1);
    }
    return region;
}

bool isToolTipLabel(QObject* o) {
    if (!o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    return w->windowType() == Qt::ToolTip && o->inherits("QLabel");
}

class ToolTipShaper : public QObject {
public:
    explicit ToolTipShaper(QObject* parent) : QObject(parent) { setObjectName(kShaperName); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Resize && type != QEvent::Paint) return false;
        if (m_inPaint || !isToolTipLabel(watched)) return false;
        auto* label = static_cast<QLabel*>(watched);

        if (type == QEvent::Resize) {
            // A little more room than Qt's default so that the text keeps
            // clear of the rounded corners.
            const int oldMargin = label->margin();
            if (oldMargin < kTipMargin) {
                label->setMargin(kTipMargin);
                const int grow = 2 * (kTipMargin - oldMargin);
                label->resize(label->size() + QSize(grow, grow));
            }
            label->setMask(roundedRegion(label->size(), kToolTipRadius));
            return false;
        }

        // Standard painting first (plain or rich text), then the outline.
        m_inPaint = true;
        QCoreApplication::sendEvent(label, event);
        m_inPaint = false;
        QPainter p(label);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF box = QRectF(label->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QColor rim = label->palette().color(QPalette::ToolTipText);
        rim.setAlpha(170);
        p.setPen(QPen(rim, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box, kToolTipRadius - 0.5, kToolTipRadius - 0.5);
        return true;
    }

private:
    bool m_inPaint = false;
};

}  // namespace

void installToolTipStyle(QApplication& app) {
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, QColor(0, 255, 64));
    pal.setColor(QPalette::Window, QColor(0, 255, 64));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    QToolTip::setPalette(pal);

    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    QToolTip::setFont(font);

    if (!app.findChild<QObject*>(QLatin1String(kShaperName), Qt::FindDirectChildrenOnly))
        app.installEventFilter(new ToolTipShaper(&app));
}

}  // namespace ostra::ui

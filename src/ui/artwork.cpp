#include "ui/artwork.h"

#include "ui/textfit.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

// Resources compiled into a static library are only linked in when
// something refers to them; this does, and registers them once.
static void ensureOstraResources() {
    static const bool once = [] {
        Q_INIT_RESOURCE(ostra);
        return true;
    }();
    Q_UNUSED(once);
}

namespace ostra::ui {

namespace {

QPixmap renderSvg(const QString& path, QSize logical, qreal dpr) {
    ensureOstraResources();
    const QSize device(std::max(1, static_cast<int>(std::ceil(logical.width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(logical.height() * dpr))));
    QPixmap pm(device);
    pm.fill(Qt::transparent);
    // Read for this picture only: the pictures are drawn a few times at
    // start, and a renderer kept would hold the parsed document for good.
    QSvgRenderer r(path);
    if (r.isValid()) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        QSizeF pic = r.defaultSize();
        pic.scale(QSizeF(device), Qt::KeepAspectRatio);
        const QRectF target((device.width() - pic.width()) / 2.0, (device.height() - pic.height()) / 2.0,
                            pic.width(), pic.height());
        r.render(&p, target);
    }
    pm.setDevicePixelRatio(dpr);
    return pm;
}

constexpr int kIconSides[] = {16, 20, 22, 24, 32, 48, 64, 128, 256};

QIcon iconFrom(const QString& path, int largest = 256) {
    QIcon icon;
    for (int side : kIconSides)
        if (side <= largest) icon.addPixmap(renderSvg(path, QSize(side, side), 1.0));
    return icon;
}

// The picture's icon with all its sizes, drawn only when asked for and
// not kept: the window system takes each size once when a window gets its
// icon, and nothing else shows it. An exact size is drawn alone; any other
// request goes to the full icon, drawn for the moment, so the answer is
// always the one the full icon gives.
class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(QString path) : path_(std::move(path)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (mode == QIcon::Normal && state == QIcon::Off && size.width() == size.height() &&
            std::find(std::begin(kIconSides), std::end(kIconSides), size.width()) != std::end(kIconSides))
            return renderSvg(path_, size, 1.0);
        return iconFrom(path_).pixmap(size, 1.0, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        iconFrom(path_).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return iconFrom(path_).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off)
            for (int side : kIconSides) sizes.append(QSize(side, side));
        return sizes;
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("OstraDrawnIcon"); }
    QIconEngine* clone() const override { return new DrawnIconEngine(path_); }

private:
    const QString path_;
};

}  // namespace

QIcon programIcon() {
    static const QIcon icon(new DrawnIconEngine(QStringLiteral(":/icons/ostra.svg")));
    return icon;
}

QPixmap programPicture(int w, int h, qreal dpr) {
    if (dpr <= 0) dpr = 1.0;
    return renderSvg(QStringLiteral(":/icons/ostra.svg"), QSize(std::max(1, w), std::max(1, h)), dpr);
}

// 0 or 1: the other indexes wrap.
static int trayIndex(int index) { return ((index % 2) + 2) % 2; }

static QString trayPath(int index) {
    return trayIndex(index) ? QStringLiteral(":/icons/tray1.svg") : QStringLiteral(":/icons/tray0.svg");
}

QIcon trayPicture(int index) {
    // For Qt's own tray icon, which scales the nearest size to the panel's:
    // the sizes panels use at 1x and 2x and no more.
    static const std::array<QIcon, 2> frames = [] {
        std::array<QIcon, 2> f;
        for (int i = 0; i < 2; ++i)
            for (int side : {16, 22, 44}) f[i].addPixmap(renderSvg(trayPath(i), QSize(side, side), 1.0));
        return f;
    }();
    return frames[trayIndex(index)];
}

QImage trayFrame(int index, int side) {
    return renderSvg(trayPath(index), QSize(std::max(1, side), std::max(1, side)), 1.0).toImage();
}

void paintDisplayBackground(QPainter& p, int w, int h) {
    p.fillRect(QRect(0, 0, w, h), QColor(246, 249, 253));
    // Faint one-pixel grid every 8 pixels, a little stronger every 32.
    const QColor fine(226, 233, 243);
    const QColor coarse(208, 219, 234);
    for (int x = 0; x < w; x += 8) p.fillRect(QRect(x, 0, 1, h), x % 32 == 0 ? coarse : fine);
    for (int y = 0; y < h; y += 8) p.fillRect(QRect(0, y, w, 1), y % 32 == 0 ? coarse : fine);
    // Soft light in the middle keeps the dial area calm.
    QRadialGradient glow(QPointF(w / 2.0, h / 2.0), std::max(w, h) * 0.6);
    glow.setColorAt(0.0, QColor(255, 255, 255, 150));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, w, h), glow);
}

QPixmap displayBackground(int w, int h, qreal dpr) {
    if (dpr <= 0) dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    w = std::max(1, w);
    h = std::max(1, h);
    QPixmap pm(QSize(static_cast<int>(std::ceil(w * dpr)), static_cast<int>(std::ceil(h * dpr))));
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    paintDisplayBackground(p, w, h);
    return pm;
}

QFont narrowFont(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStretch(QFont::SemiCondensed);
    f.setPixelSize(pixelSize);
    return f;
}

QLabel* fitWidth(QLabel* l, int room) {
    QFont f = l->font();
    auto widest = [&l](const QFont& font) {
        QFontMetrics fm(font);
        int w = 0;
        for (const QString& line : l->text().split(QLatin1Char('\n')))
            w = std::max(w, fm.horizontalAdvance(line.trimmed()));
        return w;
    };
    const int stretch = f.stretch();
    const int width = widest(f);
    if (stretch > 70 && width > room) {
        // Widths shrink about in step with the stretch.
        QFont trial = f;
        f.setStretch(largestFitting(70, stretch - 1, stretch * room / std::max(1, width), [&](int s) {
            trial.setStretch(s);
            return widest(trial) <= room;
        }));
    }
    l->setFont(f);
    l->adjustSize();
    return l;
}

void centreOnScreen(QWidget* w) {
    if (QScreen* s = QGuiApplication::primaryScreen()) w->move(s->geometry().center() - w->rect().center());
}

void fillBackground(QWidget* w, const QColor& colour) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
}

}  // namespace ostra::ui

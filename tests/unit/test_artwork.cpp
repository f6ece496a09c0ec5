// The program icon is drawn on demand; whatever is asked of it, it answers
// as an icon holding every size drawn beforehand would.
#include "ui/artwork.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr int kSides[] = {16, 20, 22, 24, 32, 48, 64, 128, 256};

QIcon drawnBeforehand() {
    QIcon icon;
    for (int side : kSides) icon.addPixmap(ostra::ui::programPicture(side, side));
    return icon;
}

QImage image(const QPixmap& pm) { return pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); }

}  // namespace

TEST(ProgramIcon, AnswersEveryRequestAsTheIconWithAllItsSizes) {
    const QIcon drawn = ostra::ui::programIcon();
    const QIcon full = drawnBeforehand();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(drawn.availableSizes(), full.availableSizes());
    EXPECT_EQ(drawn.availableSizes().size(), static_cast<qsizetype>(std::size(kSides)));

    // The sizes a window system asks for, in between, beyond, not square,
    // at a device pixel ratio of 1 and 2, and the other modes.
    const QList<QSize> asked = {{16, 16}, {48, 48}, {256, 256}, {40, 40}, {10, 10}, {300, 300}, {33, 20}};
    for (qreal dpr : {1.0, 2.0}) {
        for (const QSize& size : asked) {
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
                const QPixmap a = drawn.pixmap(size, dpr, mode);
                const QPixmap b = full.pixmap(size, dpr, mode);
                EXPECT_EQ(a.size(), b.size()) << size.width() << "x" << size.height() << " dpr " << dpr << " mode " << mode;
                EXPECT_EQ(a.devicePixelRatio(), b.devicePixelRatio());
                EXPECT_TRUE(image(a) == image(b))
                    << size.width() << "x" << size.height() << " dpr " << dpr << " mode " << mode;
            }
            EXPECT_EQ(drawn.actualSize(size), full.actualSize(size));
        }
    }
    // Not a blank picture.
    const QImage big = image(drawn.pixmap(QSize(64, 64)));
    EXPECT_NE(big.pixelColor(32, 32).alpha(), 0);

    // Painted into a rectangle, the same pixels too.
    QImage pa(70, 50, QImage::Format_ARGB32_Premultiplied), pb = pa;
    pa.fill(Qt::transparent);
    pb.fill(Qt::transparent);
    {
        QPainter p(&pa);
        drawn.paint(&p, QRect(3, 2, 60, 44));
    }
    {
        QPainter p(&pb);
        full.paint(&p, QRect(3, 2, 60, 44));
    }
    EXPECT_TRUE(pa == pb);
}

#include "ui/glyph.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostra::ui {

namespace {

// Every glyph is designed on a 16 x 16 grid.
constexpr qreal kGrid = 16.0;

struct Palette {
    bool enabled;
    QColor operator()(const QColor& c) const {
        if (enabled) return c;
        const int g = qGray(c.rgb());
        return QColor(150 + g / 5, 150 + g / 5, 150 + g / 5);
    }
};

const QColor kInk(34, 40, 52);
const QColor kNavy(20, 54, 130);
const QColor kBlue(30, 110, 220);
const QColor kGreen(34, 150, 60);
const QColor kRed(210, 40, 40);
const QColor kAmber(245, 170, 30);
const QColor kGold(250, 196, 30);
const QColor kPaper(252, 252, 255);

void polygon(QPainter& p, std::initializer_list<QPointF> pts, const QColor& fill,
             const QColor& line = Qt::transparent, qreal width = 1.0) {
    p.setBrush(fill);
    p.setPen(line.alpha() ? QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) : QPen(Qt::NoPen));
    p.drawPolygon(QPolygonF(QList<QPointF>(pts)));
}

void stroke(QPainter& p, std::initializer_list<QPointF> pts, const QColor& colour, qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF(QList<QPointF>(pts)));
}

// A circular arrow around `c`: an arc from `fromDeg` sweeping `spanDeg`
// (counter-clockwise positive) with an arrow head at its end.
void circularArrow(QPainter& p, QPointF c, qreal r, qreal fromDeg, qreal spanDeg, const QColor& colour,
                   qreal width) {
    QPainterPath arc;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    arc.arcMoveTo(box, fromDeg);
    arc.arcTo(box, fromDeg, spanDeg);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);
    const qreal end = (fromDeg + spanDeg) * std::numbers::pi / 180.0;
    const QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
    // Tangent in the direction of travel.
    const qreal dir = spanDeg >= 0 ? 1.0 : -1.0;
    const QPointF tangent(-std::sin(end) * dir, -std::cos(end) * dir);
    const QPointF normal(std::cos(end), -std::sin(end));
    const qreal head = width * 1.9;
    polygon(p, {tip + tangent * head, tip + normal * head, tip - normal * head}, colour);
}

void star(QPainter& p, QPointF c, qreal outer, const QColor& fill, const QColor& line) {
    QPolygonF pts;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? outer : outer * 0.45;
        const qreal a = std::numbers::pi / 2 + i * std::numbers::pi / 5;
        pts << QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
    }
    p.setBrush(fill);
    p.setPen(line.alpha() ? QPen(line, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) : QPen(Qt::NoPen));
    p.drawPolygon(pts);
}

void listLines(QPainter& p, const QColor& bullet, const QColor& ink) {
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3.0 + i * 4.0;
        p.setPen(Qt::NoPen);
        p.setBrush(bullet);
        p.drawRect(QRectF(1.5, y - 1.0, 2.2, 2.2));
        stroke(p, {QPointF(5.5, y + 0.1), QPointF(11.0, y + 0.1)}, ink, 1.4);
    }
}

void pencil(QPainter& p, const Palette& pal) {
    // Diagonal pencil in the lower right corner.
    polygon(p,
            {QPointF(9.0, 15.0), QPointF(9.6, 12.4), QPointF(14.2, 7.8), QPointF(16.0, 9.6), QPointF(11.4, 14.2)},
            pal(kAmber), pal(kInk), 0.8);
    polygon(p, {QPointF(9.0, 15.0), QPointF(9.6, 12.4), QPointF(11.4, 14.2)}, pal(kInk));
}

void play(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(9.0, 8.5), QPointF(15.5, 12.0), QPointF(9.0, 15.5)}, pal(kGreen), pal(QColor(10, 80, 25)),
            0.8);
}

void clockFace(QPainter& p, const Palette& pal, QPointF c, qreal r) {
    p.setBrush(pal(kPaper));
    p.setPen(QPen(pal(kInk), 1.2));
    p.drawEllipse(c, r, r);
    stroke(p, {c + QPointF(0, -r * 0.65), c, c + QPointF(r * 0.5, 0)}, pal(kInk), 1.2);
}

// One function per glyph, drawn on the 16 x 16 grid.

void paintHome(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(3.5, 7.5), QPointF(12.5, 7.5), QPointF(12.5, 14.5), QPointF(3.5, 14.5)}, pal(kPaper),
            pal(kNavy), 1.2);
    polygon(p, {QPointF(0.8, 8.2), QPointF(8.0, 1.5), QPointF(15.2, 8.2)}, pal(kRed), pal(QColor(120, 20, 20)),
            1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kNavy));
    p.drawRect(QRectF(6.8, 10.0, 2.4, 4.5));
}

void paintInfo(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kBlue));
    p.drawEllipse(QPointF(8, 8), 7.2, 7.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.4), 1.3, 1.3);
    p.drawRect(QRectF(6.9, 6.7, 2.2, 6.3));
}

void paintHelp(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kGreen));
    p.drawEllipse(QPointF(8, 8), 7.2, 7.2);
    QPainterPath q;
    q.moveTo(5.4, 6.0);
    q.cubicTo(5.4, 2.6, 10.8, 2.6, 10.8, 5.8);
    q.cubicTo(10.8, 7.8, 8.0, 7.9, 8.0, 10.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 12.6), 1.2, 1.2);
}

void paintUpgrade(QPainter& p, const Palette& pal) {
    polygon(p,
            {QPointF(8, 1), QPointF(14.2, 7.2), QPointF(10.5, 7.2), QPointF(10.5, 11.5), QPointF(5.5, 11.5),
             QPointF(5.5, 7.2), QPointF(1.8, 7.2)},
            pal(kGreen), pal(QColor(10, 80, 25)), 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawRect(QRectF(2.0, 13.0, 12.0, 2.2));
}

void paintMinimize(QPainter& p, const Palette& pal) {
    // Light with a dark rim, so it reads on the blue title bar too.
    p.setPen(QPen(pal(kInk), 0.8));
    p.setBrush(pal(kPaper));
    p.drawRect(QRectF(2.5, 10.5, 11.0, 3.2));
}

void paintClose(QPainter& p, const Palette& pal) {
    stroke(p, {QPointF(3.2, 3.2), QPointF(12.8, 12.8)}, pal(kRed), 2.6);
    stroke(p, {QPointF(12.8, 3.2), QPointF(3.2, 12.8)}, pal(kRed), 2.6);
}

void paintDockLeft(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(12.5, 1.5), QPointF(3.0, 8.0), QPointF(12.5, 14.5)}, pal(kNavy));
}

void paintDockRight(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(3.5, 1.5), QPointF(13.0, 8.0), QPointF(3.5, 14.5)}, pal(kNavy));
}

void paintAnalysis(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kBlue));
    p.drawRect(QRectF(1.5, 8.5, 3.5, 6.0));
    p.setBrush(pal(kGreen));
    p.drawRect(QRectF(6.25, 4.5, 3.5, 10.0));
    p.setBrush(pal(kRed));
    p.drawRect(QRectF(11.0, 1.5, 3.5, 13.0));
    stroke(p, {QPointF(0.8, 15.2), QPointF(15.2, 15.2)}, pal(kInk), 1.2);
}

void paintWarningOptions(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(8, 1.2), QPointF(15.2, 14.6), QPointF(0.8, 14.6)}, pal(kAmber), pal(QColor(120, 70, 0)),
            1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawRect(QRectF(7.1, 5.4, 1.8, 5.2));
    p.drawEllipse(QPointF(8, 12.4), 1.1, 1.1);
}

void paintResetWarning(QPainter& p, const Palette& pal) {
    circularArrow(p, QPointF(8, 8), 6.0, 120, 270, pal(kRed), 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kRed));
    p.drawRect(QRectF(7.2, 5.0, 1.6, 4.0));
    p.drawEllipse(QPointF(8, 10.8), 0.95, 0.95);
}

void paintRefreshStart(QPainter& p, const Palette& pal) {
    circularArrow(p, QPointF(8, 8), 5.8, 100, 290, pal(kBlue), 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kGreen));
    p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
}

void paintMoveStart(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kNavy));
    p.drawRect(QRectF(2.0, 2.0, 2.4, 12.0));
    polygon(p, {QPointF(14.0, 2.0), QPointF(5.5, 8.0), QPointF(14.0, 14.0)}, pal(kBlue));
}

void paintReport(QPainter& p, const Palette& pal) {
    polygon(p,
            {QPointF(2.5, 0.8), QPointF(10.0, 0.8), QPointF(13.5, 4.3), QPointF(13.5, 15.2), QPointF(2.5, 15.2)},
            pal(kPaper), pal(kInk), 1.0);
    for (int i = 0; i < 4; ++i) {
        const qreal y = 5.5 + i * 2.6;
        stroke(p, {QPointF(4.8, y), QPointF(11.2, y)}, pal(kBlue), 1.1);
    }
}

void paintEditStartup(QPainter& p, const Palette& pal) {
    listLines(p, pal(kBlue), pal(kInk));
    pencil(p, pal);
}

void paintRunStartup(QPainter& p, const Palette& pal) {
    listLines(p, pal(kBlue), pal(kInk));
    play(p, pal);
}

void paintEditFavorite(QPainter& p, const Palette& pal) {
    star(p, QPointF(6.8, 6.8), 6.2, pal(kPaper), pal(QColor(170, 120, 0)));
    pencil(p, pal);
}

void paintRunFavorite(QPainter& p, const Palette& pal) {
    star(p, QPointF(6.8, 6.8), 6.2, pal(kGold), pal(QColor(170, 120, 0)));
    play(p, pal);
}

void paintRestartTimer(QPainter& p, const Palette& pal) {
    clockFace(p, pal, QPointF(8, 8.5), 4.6);
    circularArrow(p, QPointF(8, 8.5), 6.6, 110, 280, pal(kGreen), 1.6);
}

void paintRestartInterval(QPainter& p, const Palette& pal) {
    polygon(p,
            {QPointF(3.5, 1.5), QPointF(12.5, 1.5), QPointF(8.6, 8.0), QPointF(12.5, 14.5), QPointF(3.5, 14.5),
             QPointF(7.4, 8.0)},
            pal(QColor(255, 236, 170)), pal(kInk), 1.1);
    polygon(p, {QPointF(5.0, 14.0), QPointF(11.0, 14.0), QPointF(8.0, 10.5)}, pal(kAmber));
    stroke(p, {QPointF(2.5, 1.2), QPointF(13.5, 1.2)}, pal(kInk), 1.4);
    stroke(p, {QPointF(2.5, 14.8), QPointF(13.5, 14.8)}, pal(kInk), 1.4);
}

void paintStopTimer(QPainter& p, const Palette& pal) {
    p.setPen(QPen(pal(QColor(110, 10, 10)), 0.8));
    p.setBrush(pal(kRed));
    p.drawRect(QRectF(3.2, 3.2, 9.6, 9.6));
}

void paintStartTimer(QPainter& p, const Palette& pal) {
    polygon(p, {QPointF(4.0, 2.0), QPointF(13.5, 8.0), QPointF(4.0, 14.0)}, pal(kGreen), pal(QColor(10, 80, 25)),
            0.8);
}

void paintDecrease(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawRect(QRectF(2.0, 6.5, 12.0, 3.0));
}

void paintIncrease(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawRect(QRectF(2.0, 6.5, 12.0, 3.0));
    p.drawRect(QRectF(6.5, 2.0, 3.0, 12.0));
}

void paintOk(QPainter& p, const Palette& pal) {
    stroke(p, {QPointF(2.2, 8.6), QPointF(6.3, 12.6), QPointF(13.8, 3.4)}, pal(kGreen), 2.6);
}

void paintExit(QPainter& p, const Palette& pal) {
    QPainterPath ring;
    const QRectF box16(2.2, 2.8, 11.6, 11.6);
    ring.arcMoveTo(box16, 120);
    ring.arcTo(box16, 120, 300);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal(kRed), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(ring);
    stroke(p, {QPointF(8, 1.2), QPointF(8, 7.6)}, pal(kRed), 2.0);
}

void paintLimitReset(QPainter& p, const Palette& pal) {
    stroke(p, {QPointF(1.5, 4.5), QPointF(14.5, 4.5)}, pal(kInk), 1.4);
    stroke(p, {QPointF(1.5, 11.5), QPointF(14.5, 11.5)}, pal(kInk), 1.4);
    p.setPen(QPen(pal(kNavy), 0.8));
    p.setBrush(pal(kBlue));
    p.drawRect(QRectF(9.0, 1.8, 3.2, 5.4));
    p.setBrush(pal(kRed));
    p.drawRect(QRectF(4.0, 8.8, 3.2, 5.4));
}

void paintMemory(QPainter& p, const Palette& pal) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal(QColor(190, 198, 210)));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 3.2 + i * 2.9;
        p.drawRect(QRectF(0.6, y, 2.2, 1.5));
        p.drawRect(QRectF(13.2, y, 2.2, 1.5));
    }
    p.setPen(QPen(pal(QColor(8, 14, 30)), 0.8));
    p.setBrush(pal(QColor(26, 40, 74)));
    p.drawRoundedRect(QRectF(2.6, 1.6, 10.8, 12.8), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(QColor(0, 230, 90)));
    p.drawRect(QRectF(4.6, 9.0, 1.8, 3.6));
    p.drawRect(QRectF(7.1, 6.6, 1.8, 6.0));
    p.drawRect(QRectF(9.6, 4.0, 1.8, 8.6));
}

void paintSoftwareTest(QPainter& p, const Palette& pal) {
    p.setBrush(pal(QColor(220, 236, 255)));
    p.setPen(QPen(pal(kNavy), 1.8));
    p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
    stroke(p, {QPointF(10.0, 10.0), QPointF(14.6, 14.6)}, pal(kNavy), 2.8);
    stroke(p, {QPointF(4.0, 7.2), QPointF(5.8, 8.6), QPointF(9.0, 4.6)}, pal(kGreen), 1.4);
}

using GlyphPainter = void (*)(QPainter&, const Palette&);

// The painter of each glyph (None has none).
GlyphPainter painterOf(Glyph glyph) {
    switch (glyph) {
    case Glyph::None:
        return nullptr;
    case Glyph::Home:
        return paintHome;
    case Glyph::Info:
        return paintInfo;
    case Glyph::Help:
        return paintHelp;
    case Glyph::Upgrade:
        return paintUpgrade;
    case Glyph::Minimize:
        return paintMinimize;
    case Glyph::Close:
        return paintClose;
    case Glyph::DockLeft:
        return paintDockLeft;
    case Glyph::DockRight:
        return paintDockRight;
    case Glyph::Analysis:
        return paintAnalysis;
    case Glyph::WarningOptions:
        return paintWarningOptions;
    case Glyph::ResetWarning:
        return paintResetWarning;
    case Glyph::RefreshStart:
        return paintRefreshStart;
    case Glyph::MoveStart:
        return paintMoveStart;
    case Glyph::Report:
        return paintReport;
    case Glyph::EditStartup:
        return paintEditStartup;
    case Glyph::RunStartup:
        return paintRunStartup;
    case Glyph::EditFavorite:
        return paintEditFavorite;
    case Glyph::RunFavorite:
        return paintRunFavorite;
    case Glyph::RestartTimer:
        return paintRestartTimer;
    case Glyph::RestartInterval:
        return paintRestartInterval;
    case Glyph::StopTimer:
        return paintStopTimer;
    case Glyph::StartTimer:
        return paintStartTimer;
    case Glyph::Decrease:
        return paintDecrease;
    case Glyph::Increase:
        return paintIncrease;
    case Glyph::Ok:
        return paintOk;
    case Glyph::Exit:
        return paintExit;
    case Glyph::LimitReset:
        return paintLimitReset;
    case Glyph::Memory:
        return paintMemory;
    case Glyph::SoftwareTest:
        return paintSoftwareTest;
    }
    return nullptr;
}

}  // namespace

void paintGlyph(QPainter& p, Glyph glyph, const QRectF& box, bool enabled) {
    if (glyph == Glyph::None || box.width() <= 0 || box.height() <= 0) return;
    const qreal side = std::min(box.width(), box.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(box.center().x() - side / 2.0, box.center().y() - side / 2.0);
    p.scale(side / kGrid, side / kGrid);
    if (const GlyphPainter paint = painterOf(glyph)) paint(p, Palette{enabled});
    p.restore();
}

}  // namespace ostra::ui

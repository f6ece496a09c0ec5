#include "loadhistory/load_history_plot.h"

#include "loadhistory/decimate.h"

#include <QAccessibleWidget>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>

namespace ostra::loadhistory {

namespace {
constexpr int kScaleWidth = 40;
constexpr int kTimeHeight = 16;

// A screen reader meets the plot as a chart: its name, and its
// description saying what it shows.
QAccessibleInterface* plotAccessible(const QString& key, QObject* object) {
    if (key == QLatin1StringView(LoadHistoryPlot::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Chart);
    return nullptr;
}
}  // namespace

LoadHistoryPlot::LoadHistoryPlot(const LoadRing& ring, QWidget* parent) : QWidget(parent), ring_(ring) {
    static const bool installed = [] {
        QAccessible::installFactory(plotAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 160);
}

void LoadHistoryPlot::setSpan(std::int64_t from, std::int64_t to) {
    from_ = from;
    to_ = to;
    update();
}

void LoadHistoryPlot::setLimit(std::optional<int> percent) {
    if (limit_ == percent) return;
    limit_ = percent;
    update();
}

QRect LoadHistoryPlot::plotArea() const {
    return QRect(kScaleWidth, 4, std::max(1, width() - kScaleWidth - 6), std::max(1, height() - 8 - kTimeHeight));
}

int LoadHistoryPlot::yOf(double percent) const {
    const QRect a = plotArea();
    return a.bottom() - static_cast<int>(percent * (a.height() - 1) / 100.0 + 0.5);
}

std::int64_t LoadHistoryPlot::secondAt(int x) const {
    const QRect a = plotArea();
    const int c = std::clamp(x - a.left(), 0, a.width() - 1);
    return firstSecondOf(c, from_, to_, a.width());
}

void LoadHistoryPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect a = plotArea();
    p.fillRect(rect(), palette().window());
    p.fillRect(a, kPlotBackground);

    const std::vector<Column> cols = decimate(ring_, from_, to_, a.width());
    // Standing warnings behind everything, a rectangle a run of columns.
    for (int c = 0; c < a.width();) {
        if (!(cols[static_cast<std::size_t>(c)].events & WarningOn)) {
            ++c;
            continue;
        }
        int end = c + 1;
        while (end < a.width() && (cols[static_cast<std::size_t>(end)].events & WarningOn)) ++end;
        p.fillRect(QRect(a.left() + c, a.top(), end - c, a.height()), kWarningShade);
        c = end;
    }

    // The scale: 0, 25, 50, 75, 100 %.
    p.setFont(font());
    for (int v = 0; v <= 100; v += 25) {
        const int y = yOf(v);
        p.setPen(QColor(0, 72, 0));
        if (v > 0 && v < 100) p.drawLine(a.left(), y, a.right(), y);
        p.setPen(palette().windowText().color());
        p.drawText(QRect(0, y - 8, kScaleWidth - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 %").arg(v));
    }
    // The times at both ends.
    const auto hm = [](std::int64_t t) { return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss")); };
    const QRect times(a.left(), a.bottom() + 2, a.width(), kTimeHeight);
    p.drawText(times, Qt::AlignLeft | Qt::AlignVCenter, hm(from_));
    p.drawText(times, Qt::AlignRight | Qt::AlignVCenter, hm(to_));

    if (limit_) {
        p.setPen(QPen(kLimitColour, 1, Qt::DashLine));
        p.drawLine(a.left(), yOf(*limit_), a.right(), yOf(*limit_));
    }
    // Start points: a mark at the top.
    p.setPen(kStartMark);
    for (int c = 0; c < a.width(); ++c)
        if (cols[static_cast<std::size_t>(c)].events & StartPointSet)
            p.drawLine(a.left() + c, a.top(), a.left() + c, a.top() + a.height() / 8);

    // The curves: pressure first, the load over it. A column's stroke runs
    // from its lowest to its highest figure and on to where the column
    // before it ended, so that neighbouring columns join without a sloped
    // line; a filled one-pixel rectangle is what the painter draws
    // fastest. Columns more than a pixel apart (more columns than seconds)
    // are joined by a line.
    std::vector<QLine> bridges;
    const auto curve = [&](const QColor& colour, bool Column::*has, Range Column::*range, double scale) {
        bridges.clear();
        int prevX = 0, prevY = 0;
        bool joined = false;
        for (int c = 0; c < a.width(); ++c) {
            const Column& col = cols[static_cast<std::size_t>(c)];
            if (!(col.*has)) {
                // Seconds without samples are a gap; a column between two
                // seconds is bridged.
                if (col.seconds > 0) joined = false;
                continue;
            }
            const Range& r = col.*range;
            const int x = a.left() + c;
            int top = yOf(r.hi * scale), bottom = yOf(r.lo * scale);
            if (joined && x - prevX == 1) {
                top = std::min(top, prevY);
                bottom = std::max(bottom, prevY);
            } else if (joined) {
                bridges.emplace_back(prevX, prevY, x, yOf(r.first * scale));
            }
            p.fillRect(QRect(x, top, 1, bottom - top + 1), colour);
            joined = true;
            prevX = x;
            prevY = yOf(r.last * scale);
        }
        p.setPen(colour);
        p.drawLines(bridges.data(), static_cast<int>(bridges.size()));
    };
    curve(kPressureColour, &Column::hasPressure, &Column::pressure, 0.01);
    curve(kLoadColour, &Column::hasLoad, &Column::load, 1.0);
}

void LoadHistoryPlot::mouseMoveEvent(QMouseEvent* e) {
    const QRect a = plotArea();
    const QPoint pos = e->position().toPoint();
    if (!a.contains(pos)) {
        emit hovered(std::nullopt);
        return;
    }
    // The column's last sample, or its first second when it has none.
    // (With more columns than seconds a column may cover none: then the
    // second before it.)
    const int c = pos.x() - a.left();
    std::int64_t t = std::min(from_ + (to_ - from_ + 1) * c / a.width(), to_);
    const std::int64_t end =
        std::max(t, c + 1 < a.width() ? firstSecondOf(c + 1, from_, to_, a.width()) - 1 : to_);
    ring_.forEach(t, end, [&t](std::int64_t s, const Sample&) { t = s; });
    emit hovered(t);
}

void LoadHistoryPlot::leaveEvent(QEvent*) { emit hovered(std::nullopt); }

}  // namespace ostra::loadhistory

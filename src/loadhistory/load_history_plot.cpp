#include "loadhistory/load_history_plot.h"

#include "loadhistory/decimate.h"
#include "loadhistory/load_history_window.h"

#include <QAccessibleWidget>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace ostra::loadhistory {

namespace {
constexpr int kScaleWidth = 40;
constexpr int kPressureScaleWidth = 46;
constexpr int kTickLength = 4;

// A screen reader meets the plot as a chart (its name, and its
// description saying what it shows) and the window as a frame.
QAccessibleInterface* plotAccessible(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (key == QLatin1StringView(LoadHistoryPlot::staticMetaObject.className()))
        return new QAccessibleWidget(w, QAccessible::Chart);
    if (key == QLatin1StringView(LoadHistoryWindow::staticMetaObject.className()) && w->isWindow())
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

void installAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(plotAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

QString percentText(double v) { return QStringLiteral("%1 %").arg(QString::number(v, 'g', 3)); }

}  // namespace

int pressureScaleTop(int highestHundredths) {
    for (int top : {10, 25, 50})
        if (highestHundredths <= top * 100) return top;
    return 100;
}

int tickStepSeconds(std::int64_t spanSeconds) {
    // About eight ticks a span, at a step a clock reader counts in.
    static constexpr std::array<int, 11> steps{60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    for (int s : steps)
        if (s * 8 >= spanSeconds) return s;
    return 86400;
}

std::vector<std::int64_t> ticks(std::int64_t from, std::int64_t to, int step) {
    std::vector<std::int64_t> out;
    if (to < from || step <= 0) return out;
    // Round in local time: the offset of the span's start stands for the
    // whole span (a change of summer time within it shifts later ticks by
    // the change, an hour at most).
    const std::int64_t offset = QDateTime::fromSecsSinceEpoch(from).offsetFromUtc();
    const std::int64_t local = from + offset;
    std::int64_t t = (local + step - 1) / step * step - offset;
    for (; t <= to; t += step) out.push_back(t);
    return out;
}

LoadHistoryPlot::LoadHistoryPlot(const LoadRing& ring, QWidget* parent) : QWidget(parent), ring_(ring) {
    installAccessible();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 160);
}

void LoadHistoryPlot::setSpan(std::int64_t from, std::int64_t to) {
    from_ = from;
    to_ = to;
    update();
    // The cursor stays on its column: what lies under it now is told.
    tellCursor();
}

void LoadHistoryPlot::setLimit(std::optional<int> percent) {
    if (limit_ == percent) return;
    limit_ = percent;
    update();
}

int LoadHistoryPlot::timeRows() const { return to_ - from_ + 1 >= 6 * 3600 ? 2 : 1; }

QRect LoadHistoryPlot::plotArea() const {
    const int line = fontMetrics().height();
    // Half a line above, so that the top label ("100 %") is not cut.
    const int top = line / 2 + 1;
    const int bottom = kTickLength + 1 + timeRows() * line;
    return QRect(kScaleWidth, top, std::max(1, width() - kScaleWidth - kPressureScaleWidth),
                 std::max(1, height() - top - bottom));
}

int LoadHistoryPlot::yOf(double percent) const {
    const QRect a = plotArea();
    return a.bottom() - static_cast<int>(percent * (a.height() - 1) / 100.0 + 0.5);
}

int LoadHistoryPlot::yOfPressure(int hundredths) const { return yOf(hundredths / double(pressureTop_)); }

std::int64_t LoadHistoryPlot::secondAt(int x) const {
    const QRect a = plotArea();
    return secondUnder(std::clamp(x - a.left(), 0, a.width() - 1));
}

std::int64_t LoadHistoryPlot::secondUnder(int column) const {
    const int w = plotArea().width();
    column = std::clamp(column, 0, w - 1);
    std::int64_t first = firstSecondOf(column, from_, to_, w);
    const std::int64_t end = column + 1 < w ? firstSecondOf(column + 1, from_, to_, w) - 1 : to_;
    // A column between two seconds (more columns than seconds) stands for
    // the second before it, as it is drawn.
    if (end < first) first = end;
    std::int64_t t = end;
    bool found = false;
    ring_.forEach(first, end, [&](std::int64_t s, const Sample&) {
        t = s;
        found = true;
    });
    return found ? t : end;
}

void LoadHistoryPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect a = plotArea();
    p.fillRect(rect(), palette().window());
    p.fillRect(a, kPlotBackground);

    const std::vector<Column> cols = decimate(ring_, from_, to_, a.width());
    int highest = 0;
    for (const Column& c : cols)
        if (c.hasPressure) highest = std::max(highest, c.pressure.hi);
    pressureTop_ = pressureScaleTop(highest);

    paintWarnings(p, a, cols);
    paintScales(p, a);
    paintTimeAxis(p, a);
    paintMarks(p, a, cols);
    paintCurves(p, a, cols);
    paintCursorAndFocus(p, a);
}

void LoadHistoryPlot::paintWarnings(QPainter& p, const QRect& a, const std::vector<Column>& cols) const {
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
}

void LoadHistoryPlot::paintScales(QPainter& p, const QRect& a) const {
    // The scales: the load's 0, 25, 50, 75, 100 % at the left; the
    // pressure's 0, half and top at the right.
    p.setFont(font());
    const int line = fontMetrics().height();
    for (int k = 0; k <= 4; ++k) {
        const int y = yOf(k * 25);
        p.setPen(QColor(0, 72, 0));
        if (k > 0 && k < 4) p.drawLine(a.left(), y, a.right(), y);
        p.setPen(palette().windowText().color());
        p.drawText(QRect(0, y - line / 2, kScaleWidth - 4, line), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 %").arg(k * 25));
        if (k % 2 == 0) {
            p.setPen(kPressureText);
            p.drawText(QRect(a.right() + 5, y - line / 2, kPressureScaleWidth - 5, line),
                       Qt::AlignLeft | Qt::AlignVCenter, percentText(pressureTop_ * k / 4.0));
        }
    }
}

void LoadHistoryPlot::paintTimeAxis(QPainter& p, const QRect& a) const {
    // The times: a tick at each round time, its label where there is room.
    // (No lines across the plot: they would stripe the warning's shading.)
    const int line = fontMetrics().height();
    const int labelsTop = a.bottom() + kTickLength + 1;
    p.setPen(palette().windowText().color());
    for (std::int64_t t : ticks(from_, to_, tickStepSeconds(to_ - from_ + 1))) {
        const int x = a.left() + columnOf(t, from_, to_, a.width());
        p.drawLine(x, a.bottom() + 1, x, a.bottom() + kTickLength);
    }
    for (const AxisLabel& l : axisLabels()) {
        const QRect r(l.x - 40, labelsTop, 80, line);
        p.drawText(r, Qt::AlignHCenter | Qt::AlignTop, l.time);
        if (!l.date.isEmpty()) p.drawText(r.translated(0, line), Qt::AlignHCenter | Qt::AlignTop, l.date);
    }
}

void LoadHistoryPlot::paintMarks(QPainter& p, const QRect& a, const std::vector<Column>& cols) const {
    if (limit_) {
        p.setPen(QPen(kLimitColour, 1, Qt::DashLine));
        p.drawLine(a.left(), yOf(*limit_), a.right(), yOf(*limit_));
    }
    // Start points: a mark at the top.
    p.setPen(kStartMark);
    for (int c = 0; c < a.width(); ++c)
        if (cols[static_cast<std::size_t>(c)].events & StartPointSet)
            p.drawLine(a.left() + c, a.top(), a.left() + c, a.top() + a.height() / 8);
}

void LoadHistoryPlot::paintCurves(QPainter& p, const QRect& a, const std::vector<Column>& cols) const {
    // The curves: pressure first, the load over it. A column's stroke runs
    // from its lowest to its highest figure and on to where the column
    // before it ended, so that neighbouring columns join without a sloped
    // line; a filled one-pixel rectangle is what the painter draws
    // fastest. A column without a sample breaks the line.
    const auto curve = [&](const QColor& colour, bool Column::*has, Range Column::*range, auto y) {
        int prevY = 0;
        bool joined = false;
        for (int c = 0; c < a.width(); ++c) {
            const Column& col = cols[static_cast<std::size_t>(c)];
            if (!(col.*has)) {
                joined = false;
                continue;
            }
            const Range& r = col.*range;
            int top = y(r.hi), bottom = y(r.lo);
            if (joined) {
                top = std::min(top, prevY);
                bottom = std::max(bottom, prevY);
            }
            p.fillRect(QRect(a.left() + c, top, 1, bottom - top + 1), colour);
            joined = true;
            prevY = y(r.last);
        }
    };
    curve(kPressureColour, &Column::hasPressure, &Column::pressure, [this](int v) { return yOfPressure(v); });
    curve(kLoadColour, &Column::hasLoad, &Column::load, [this](int v) { return yOf(v); });
}

void LoadHistoryPlot::paintCursorAndFocus(QPainter& p, const QRect& a) const {
    // The keyboard's cursor, and the frame of the focus.
    if (cursor_ && cursorByKeys_) {
        p.setPen(QPen(kCursorColour, 1, Qt::DotLine));
        p.drawLine(a.left() + *cursor_, a.top(), a.left() + *cursor_, a.bottom());
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(a.adjusted(-1, -1, 0, 0));
    }
}

std::vector<LoadHistoryPlot::AxisLabel> LoadHistoryPlot::axisLabels() const {
    std::vector<AxisLabel> out;
    const QRect a = plotArea();
    const std::int64_t n = to_ - from_ + 1;
    if (n <= 0) return out;
    const int step = tickStepSeconds(n);
    // Every tick when there is room, else every second or third one
    // (midnight always).
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 12;
    const std::int64_t spacing = std::int64_t(step) * a.width();  // n times the pixels between ticks
    const int every = std::max(1, static_cast<int>((labelWidth * n + spacing - 1) / spacing));
    const std::vector<std::int64_t> marks = ticks(from_, to_, step);
    bool dated = false;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(marks[i]);
        const bool midnight = when.time() == QTime(0, 0);
        if (static_cast<int>(i) % every != 0 && !midnight) continue;
        const int x = a.left() + columnOf(marks[i], from_, to_, a.width());
        // Whole within the widget.
        if (x - labelWidth / 2 < 0 || x + labelWidth / 2 >= width()) continue;
        AxisLabel l{x, when.toString(QStringLiteral("HH:mm")), QString()};
        if (timeRows() == 2 && (!dated || midnight)) {
            l.date = when.toString(QStringLiteral("d MMM"));
            dated = true;
        }
        out.push_back(std::move(l));
    }
    return out;
}

void LoadHistoryPlot::moveCursor(std::optional<int> column, bool byKeys) {
    const bool wasKeys = cursor_ && cursorByKeys_;
    cursor_ = column;
    cursorByKeys_ = byKeys;
    if (wasKeys || (cursor_ && byKeys)) update();
    tellCursor();
}

void LoadHistoryPlot::tellCursor() {
    if (!cursor_) {
        emit hovered(std::nullopt);
        return;
    }
    emit hovered(secondUnder(*cursor_));
}

void LoadHistoryPlot::mouseMoveEvent(QMouseEvent* e) {
    const QRect a = plotArea();
    const QPoint pos = e->position().toPoint();
    if (!a.contains(pos)) {
        if (cursor_ && !cursorByKeys_) moveCursor(std::nullopt, false);
        return;
    }
    moveCursor(pos.x() - a.left(), false);
}

void LoadHistoryPlot::leaveEvent(QEvent*) {
    if (cursor_ && !cursorByKeys_) moveCursor(std::nullopt, false);
}

void LoadHistoryPlot::keyPressEvent(QKeyEvent* e) {
    const int last = plotArea().width() - 1;
    const int at = cursor_.value_or(last);
    switch (e->key()) {
    case Qt::Key_Left:
        moveCursor(cursor_ ? std::max(0, at - 1) : last, true);
        break;
    case Qt::Key_Right:
        moveCursor(cursor_ ? std::min(last, at + 1) : last, true);
        break;
    case Qt::Key_Home:
        moveCursor(0, true);
        break;
    case Qt::Key_End:
        moveCursor(last, true);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void LoadHistoryPlot::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (cursor_ && *cursor_ >= plotArea().width()) moveCursor(plotArea().width() - 1, cursorByKeys_);
}

PlotLegend::PlotLegend(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Legend: ") + names().join(QStringLiteral(", ")));
}

QStringList PlotLegend::names() {
    return {QStringLiteral("load"), QStringLiteral("memory pressure"), QStringLiteral("load limit"),
            QStringLiteral("warning"), QStringLiteral("start point")};
}

namespace {
constexpr int kSwatch = 18;
constexpr int kEntryGap = 14;
}  // namespace

QSize PlotLegend::sizeHint() const {
    int w = 0;
    for (const QString& name : names()) w += kSwatch + 4 + fontMetrics().horizontalAdvance(name) + kEntryGap;
    return {w, std::max(kSwatch, fontMetrics().height()) + 2};
}

void PlotLegend::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QStringList n = names();
    int x = 0;
    const int top = (height() - kSwatch) / 2;
    for (int i = 0; i < n.size(); ++i) {
        // The swatch: the plot's background with the mark as the plot draws it.
        const QRect s(x, top, kSwatch, kSwatch);
        p.fillRect(s, i == 3 ? kWarningShade : kPlotBackground);
        const int mid = s.center().y();
        switch (i) {
        case 0:
            p.fillRect(QRect(s.left() + 2, mid - 1, kSwatch - 4, 3), kLoadColour);
            break;
        case 1:
            p.fillRect(QRect(s.left() + 2, mid - 1, kSwatch - 4, 3), kPressureColour);
            break;
        case 2:
            p.setPen(QPen(kLimitColour, 1, Qt::DashLine));
            p.drawLine(s.left() + 1, mid, s.right() - 1, mid);
            break;
        case 4:
            p.fillRect(QRect(s.center().x(), s.top(), 1, kSwatch / 2), kStartMark);
            break;
        default:
            break;
        }
        x += kSwatch + 4;
        p.setPen(palette().windowText().color());
        const int w = fontMetrics().horizontalAdvance(n[i]);
        p.drawText(QRect(x, 0, w + 2, height()), Qt::AlignLeft | Qt::AlignVCenter, n[i]);
        x += w + kEntryGap;
    }
}

}  // namespace ostra::loadhistory

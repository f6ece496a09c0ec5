// The plot of the window "Load history": load (0-100 %, the scale at the
// left) and memory pressure (its own scale at the right, 0-10, 25, 50 or
// 100 %, the smallest that holds the span's highest) against time over a
// span of seconds, one pixel column per slice of the span (lowest to
// highest in a stroke, joined to the neighbours), the load limit as a
// dashed line where it is on, standing warnings shaded, start points
// marked, and below it the times at round steps (the date from 6 hours
// on). A cursor moves over the columns with the pointer or with Left,
// Right, Home and End. Painted only when Qt asks, which it does not while
// the window is closed.
#pragma once

#include "loadhistory/decimate.h"
#include "loadhistory/load_ring.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace ostra::loadhistory {

inline const QColor kLoadColour{0, 255, 0};        // lime
inline const QColor kPressureColour{0, 255, 255};  // aqua
inline const QColor kPressureText{0, 112, 112};    // the pressure's scale, readable on the window's grey
inline const QColor kLimitColour{255, 0, 0};
inline const QColor kWarningShade{96, 0, 0};
inline const QColor kStartMark{255, 255, 0};
inline const QColor kPlotBackground{0, 0, 0};
inline const QColor kCursorColour{255, 255, 255};

// The top of the pressure's scale for a highest figure (hundredths of a
// percent): 10, 25, 50 or 100.
int pressureScaleTop(int highestHundredths);
// The step between the time axis's ticks for a span of seconds: 2 minutes
// for 10 minutes, 10 for an hour, an hour for 6 hours, 3 hours for 24.
int tickStepSeconds(std::int64_t spanSeconds);
// The ticks of from..to: the seconds at whole multiples of the step in
// local time.
std::vector<std::int64_t> ticks(std::int64_t from, std::int64_t to, int step);

class LoadHistoryPlot : public QWidget {
    Q_OBJECT
public:
    explicit LoadHistoryPlot(const LoadRing& ring, QWidget* parent = nullptr);

    void setSpan(std::int64_t from, std::int64_t to);
    void setLimit(std::optional<int> percent);
    std::int64_t from() const { return from_; }
    std::int64_t to() const { return to_; }

    // Where the curves go: the widget less the scales at both sides and
    // the times below.
    QRect plotArea() const;
    // The row of a load percentage in the plot area.
    int yOf(double percent) const;
    // The row of a pressure (hundredths) on the pressure's scale now shown.
    int yOfPressure(int hundredths) const;
    int pressureTop() const { return pressureTop_; }
    // The second under a column of the widget.
    std::int64_t secondAt(int x) const;
    // The second a column of the plot area stands for: its last sample, or
    // its last second when it has none.
    std::int64_t secondUnder(int column) const;
    // The labels of the time axis: the column (in the widget) of their
    // tick, the time, and the date (empty but under the first label and
    // under midnight, from 6 hours on).
    struct AxisLabel {
        int x;
        QString time;
        QString date;
    };
    std::vector<AxisLabel> axisLabels() const;
    // The cursor's column in the plot area, if it is on the plot.
    std::optional<int> cursor() const { return cursor_; }

    QSize sizeHint() const override { return {640, 260}; }

signals:
    // The cursor is over second t (nothing: it left the curves). Sent again
    // when the plot moves under it.
    void hovered(std::optional<std::int64_t> t);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int timeRows() const;
    // The parts of a painting, back to front.
    void paintWarnings(QPainter& p, const QRect& a, const std::vector<Column>& cols) const;
    void paintScales(QPainter& p, const QRect& a) const;
    void paintTimeAxis(QPainter& p, const QRect& a) const;
    void paintMarks(QPainter& p, const QRect& a, const std::vector<Column>& cols) const;
    void paintCurves(QPainter& p, const QRect& a, const std::vector<Column>& cols) const;
    void paintCursorAndFocus(QPainter& p, const QRect& a) const;
    void moveCursor(std::optional<int> column, bool byKeys);
    void tellCursor();

    const LoadRing& ring_;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
    std::optional<int> limit_;
    int pressureTop_ = 10;
    std::optional<int> cursor_;
    bool cursorByKeys_ = false;
};

// The key under the plot: each mark drawn as the plot draws it, with its
// name.
class PlotLegend : public QWidget {
    Q_OBJECT
public:
    explicit PlotLegend(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The entries' names, in order.
    static QStringList names();

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace ostra::loadhistory

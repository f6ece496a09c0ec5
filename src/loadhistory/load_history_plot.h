// The plot of the window "Load history": load and memory pressure (0-100 %)
// against time over a span of seconds, one pixel column per slice of the
// span (lowest to highest in a stroke, first and last joined to the
// neighbours), the load limit as a dashed line where it is on, standing
// warnings shaded, start points marked. Painted only when Qt asks, which it
// does not while the window is closed.
#pragma once

#include "loadhistory/load_ring.h"

#include <QWidget>

#include <cstdint>
#include <optional>

namespace ostra::loadhistory {

inline const QColor kLoadColour{0, 255, 0};        // lime
inline const QColor kPressureColour{0, 255, 255};  // aqua
inline const QColor kLimitColour{255, 0, 0};
inline const QColor kWarningShade{96, 0, 0};
inline const QColor kStartMark{255, 255, 0};
inline const QColor kPlotBackground{0, 0, 0};

class LoadHistoryPlot : public QWidget {
    Q_OBJECT
public:
    explicit LoadHistoryPlot(const LoadRing& ring, QWidget* parent = nullptr);

    void setSpan(std::int64_t from, std::int64_t to);
    void setLimit(std::optional<int> percent);
    std::int64_t from() const { return from_; }
    std::int64_t to() const { return to_; }

    // Where the curves go: the widget less the scale at the left and the
    // times below.
    QRect plotArea() const;
    // The row of a percentage in the plot area.
    int yOf(double percent) const;
    // The second under a column of the widget.
    std::int64_t secondAt(int x) const;

    QSize sizeHint() const override { return {640, 260}; }

signals:
    // The pointer is over second t (nothing: it left the curves).
    void hovered(std::optional<std::int64_t> t);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;

private:
    const LoadRing& ring_;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
    std::optional<int> limit_;
};

}  // namespace ostra::loadhistory

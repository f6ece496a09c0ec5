// The window "Load history": the plot over the last 10 minutes, hour, 6
// hours or 24 hours, what the pointer is over, and "Export CSV...". It
// follows the recorder's ticks only while it is shown.
#pragma once

#include "loadhistory/load_recorder.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QButtonGroup;
class QLabel;
class QPushButton;

namespace ostra::loadhistory {

class LoadHistoryPlot;

inline const char* const kWindowTitle = "Load history";

class LoadHistoryWindow : public QWidget {
    Q_OBJECT
public:
    // `limit` answers the load limit when it is on.
    LoadHistoryWindow(LoadRecorder& recorder, std::function<std::optional<int>()> limit,
                      QWidget* parent = nullptr);

    LoadHistoryPlot& plot() { return *plot_; }
    QLabel& pointerLabel() { return *pointer_; }
    QPushButton& exportButton() { return *export_; }
    // The span chosen, an index into kSpans.
    int span() const { return span_; }
    void setSpan(int index);
    // Draws the span up to now and tells a screen reader about it.
    void refresh();

signals:
    // "Export CSV..." for the seconds shown.
    void exportRequested(std::int64_t from, std::int64_t to);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void showPointer(std::optional<std::int64_t> t);

    LoadRecorder& recorder_;
    std::function<std::optional<int>()> limit_;
    LoadHistoryPlot* plot_;
    QLabel* pointer_;
    QPushButton* export_;
    QButtonGroup* spans_;
    int span_ = 1;
};

}  // namespace ostra::loadhistory

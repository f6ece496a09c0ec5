// The window "Load history": the span buttons (10 minutes, an hour, 6 or
// 24 hours), the plot, its legend, the read-out of the second under the
// cursor, and "Export CSV...". It follows the recorder's ticks only while
// it is shown.
#pragma once

#include "loadhistory/load_recorder.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QButtonGroup;
class QLabel;
class QPushButton;
class QAbstractButton;

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
    // The read-out of the second under the cursor.
    QLabel& pointerLabel() { return *pointer_; }
    QPushButton& exportButton() { return *export_; }
    QAbstractButton& spanButton(int index);
    // The span chosen, an index into kSpans.
    int span() const { return span_; }
    void setSpan(int index);
    // Draws the span up to now and tells a screen reader about it.
    void refresh();

    // "Wed 9 Dec 2026 10:04:05  load 47 %  memory pressure 0.12 %".
    QString readOut(std::int64_t t) const;

signals:
    // "Export CSV..." for the seconds shown.
    void exportRequested(std::int64_t from, std::int64_t to);
    // The user chose another span.
    void spanChosen(int index);
    // The window was closed (hidden), at the size it had.
    void closed();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

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

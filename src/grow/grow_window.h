// "What grew since the start point": the applications whose memory grew
// most since the start point, as a table, with the start point and the
// count of unreadable processes under it. Refreshed every 5 s while open,
// and at once with F5. A click on a column's header sorts by it (a second
// click the other way), kept across refreshes; Ctrl+A selects every row,
// Ctrl+C copies the selected ones with the header as tab-separated text.
//
// Under the table, for the one selected application: "Pause", "Resume",
// "Close", "End" (and "End now" once offered), also in the table's context
// menu. The window only hands each press out as a typed signal with the
// row; what may be done, and what is being done, is told it (setOffer,
// setRowState).
//
// A modal window never blocks it: opened while one is open (the limit
// warning, whose notification offers "What grew"), or open when one comes,
// it belongs to that window and stands beside it, clear of its buttons.
#pragma once

#include "grow/growth.h"

#include <QAction>
#include <QDialog>

#include <optional>

class QLabel;
class QTableView;

namespace ostra::grow {

class GrowWatch;
class GrowthModel;

// What may be done to the selected application; `reason` (the buttons' tool
// tip) says why nothing may.
struct RowOffer {
    bool pause = false;
    bool resume = false;
    bool close = false;
    bool end = false;
    bool endNow = false;
    QString reason;
};

class GrowWindow : public QDialog {
    Q_OBJECT
public:
    explicit GrowWindow(GrowWatch& watch, QWidget* parent = nullptr);

    QTableView& table() { return *table_; }
    GrowthModel& model() { return *model_; }
    QAction& refreshAction() { return refresh_; }  // F5
    QAction& copyAction() { return copy_; }        // Ctrl+C
    QAction& pauseAction() { return pause_; }
    QAction& resumeAction() { return resume_; }
    QAction& closeAction() { return close_; }
    QAction& endAction() { return end_; }
    QAction& endNowAction() { return endNow_; }

    // The application the buttons act on: the one selected row; nothing
    // when none or several are selected, or it has ended.
    std::optional<GrowthRow> selectedRow() const;
    // Enables the buttons of the selected row.
    void setOffer(const RowOffer& offer);
    void setRowState(const QString& key, const QString& state, const QString& tip = {});
    // A line under the buttons: what an action could not do.
    void showNote(const QString& text);

signals:
    // Another application is selected, or the selected one's row changed.
    void selectionChanged();
    void pauseRequested(const ostra::grow::GrowthRow& row);
    void resumeRequested(const ostra::grow::GrowthRow& row);
    void closeRequested(const ostra::grow::GrowthRow& row);
    void endRequested(const ostra::grow::GrowthRow& row);
    void endNowRequested(const ostra::grow::GrowthRow& row);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void showRows();
    void copySelection();
    QWidget* buildActionRow();
    // Hands a press out with the selected row.
    void request(void (GrowWindow::*signal)(const GrowthRow&));
    // Belongs to the active modal window, if any, and leaves it clear.
    void stayUsableBeside(QWidget* modal);

    GrowWatch& watch_;
    GrowthModel* model_;
    QTableView* table_;
    QLabel* startPoint_;
    QLabel* unreadable_;
    QLabel* note_;
    QWidget* endNowButton_ = nullptr;  // shown only where End now is offered
    QAction refresh_;
    QAction copy_;
    QAction pause_;
    QAction resume_;
    QAction close_;
    QAction end_;
    QAction endNow_;
    bool placed_ = false;
};

}  // namespace ostra::grow

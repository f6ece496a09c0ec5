// "What grew since the start point": the applications whose memory grew
// most since the start point, as a table, with the start point and the
// count of unreadable processes under it. Refreshed every 5 s while open,
// and at once with F5. A click on a column's header sorts by it (a second
// click the other way), kept across refreshes; Ctrl+A selects every row,
// Ctrl+C copies the selected ones with the header as tab-separated text.
//
// A modal window never blocks it: opened while one is open (the limit
// warning, whose notification offers "What grew"), or open when one comes,
// it belongs to that window and stands beside it, clear of its buttons.
#pragma once

#include <QAction>
#include <QDialog>

class QLabel;
class QTableView;

namespace ostra::grow {

class GrowWatch;
class GrowthModel;

class GrowWindow : public QDialog {
    Q_OBJECT
public:
    explicit GrowWindow(GrowWatch& watch, QWidget* parent = nullptr);

    QTableView& table() { return *table_; }
    GrowthModel& model() { return *model_; }
    QAction& refreshAction() { return refresh_; }  // F5
    QAction& copyAction() { return copy_; }        // Ctrl+C

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void showRows();
    void copySelection();
    // Belongs to the active modal window, if any, and leaves it clear.
    void stayUsableBeside(QWidget* modal);

    GrowWatch& watch_;
    GrowthModel* model_;
    QTableView* table_;
    QLabel* startPoint_;
    QLabel* unreadable_;
    QAction refresh_;
    QAction copy_;
    bool placed_ = false;
};

}  // namespace ostra::grow

// "What grew since the start point": the applications whose memory grew
// most since the start point, as a table, with the start point and the
// count of unreadable processes under it. Refreshed every 5 s while open.
#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

namespace ostra::grow {

class GrowWatch;

class GrowWindow : public QDialog {
    Q_OBJECT
public:
    explicit GrowWindow(GrowWatch& watch, QWidget* parent = nullptr);

    QTableWidget& table() { return *table_; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void showRows();

    GrowWatch& watch_;
    QTableWidget* table_;
    QLabel* startPoint_;
    QLabel* unreadable_;
    bool placed_ = false;
};

}  // namespace ostra::grow

// The table of "What grew since the start point" as an item model: one row
// per application, known by its key. A refresh changes only the cells whose
// text changed (one dataChanged per run of changed cells in a column),
// removes the applications that left and adds the new ones; a new order
// moves the rows as one layout change, so the selection, the current cell
// and everything else that holds a row keep their application.
#pragma once

#include "grow/growth.h"

#include <QAbstractTableModel>
#include <QHash>

#include <array>
#include <vector>

namespace ostra::grow {

class GrowthModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Application, AtStart, Now, Growth, Processes, State };
    static constexpr int kColumns = 6;
    // The columns of the figures (those copied); the state follows them.
    static constexpr int kFigureColumns = 5;

    explicit GrowthModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Keeps to `column` and `order` from now on, refreshes included. Ties
    // go by growth (largest first), then by name.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return order_; }

    // The rows of a refresh, matched with the shown ones by their key.
    void setRows(const std::vector<GrowthRow>& rows);

    // The application of a row.
    const QString& key(int row) const { return entries_[size_t(row)].row.key; }
    const GrowthRow& row(int row) const { return entries_[size_t(row)].row; }
    // What is being done to an application ("paused", "still running"...),
    // shown in the State column with `tip` as its tool tip; kept across
    // refreshes.
    void setState(const QString& key, const QString& state, const QString& tip = {});
    // The header and the given rows (in the order given), a line each, the
    // cells separated by tabs, each line ended by a line feed.
    QString tabSeparated(const QList<int>& rows) const;

private:
    struct Entry {
        GrowthRow row;
        std::array<QString, kColumns> texts;
        unsigned changed = 0;  // a bit per column whose text this refresh changed
    };
    static std::array<QString, kColumns> textsOf(const GrowthRow& row);
    static bool sameFigures(const GrowthRow& a, const GrowthRow& b);
    bool before(const Entry& a, const Entry& b) const;
    // Puts the rows in the sort order; one layout change when it moved any.
    void reorder();

    std::vector<Entry> entries_;
    QHash<QString, std::pair<QString, QString>> states_;  // key -> state, tip
    int sortColumn_ = Growth;
    Qt::SortOrder order_ = Qt::DescendingOrder;
};

}  // namespace ostra::grow

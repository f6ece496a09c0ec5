#include "grow/growth_model.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace ostra::grow {

namespace {

template <typename T>
int compareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// An application that ended sorts below every size "Now".
std::int64_t nowValue(const GrowthRow& r) { return r.ended ? -1 : r.nowBytes; }

}  // namespace

GrowthModel::GrowthModel(QObject* parent) : QAbstractTableModel(parent) {}

int GrowthModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(entries_.size()); }

int GrowthModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant GrowthModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(entries_.size()) || index.column() >= kColumns) return {};
    if (index.column() == State) {
        const auto st = states_.constFind(entries_[size_t(index.row())].row.key);
        const bool shown = st != states_.cend();
        switch (role) {
        case Qt::DisplayRole:
            return shown ? st->first : QString();
        case Qt::ToolTipRole:
            return shown && !st->second.isEmpty() ? QVariant(st->second) : QVariant();
        case Qt::TextAlignmentRole:
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        return entries_[size_t(index.row())].texts[size_t(index.column())];
    case Qt::TextAlignmentRole:
        return index.column() == Application ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant GrowthModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    switch (role) {
    case Qt::DisplayRole:
        return section == State ? QStringLiteral("State") : columnTitles().value(section);
    case Qt::InitialSortOrderRole:
        // Names from A, figures from the largest.
        return section == Application ? Qt::AscendingOrder : Qt::DescendingOrder;
    default:
        return {};
    }
}

std::array<QString, GrowthModel::kColumns> GrowthModel::textsOf(const GrowthRow& row) {
    const QStringList cells = rowTexts(row);
    std::array<QString, kColumns> texts;
    for (int c = 0; c < kFigureColumns && c < cells.size(); ++c) texts[size_t(c)] = cells[c];
    return texts;
}

bool GrowthModel::sameFigures(const GrowthRow& a, const GrowthRow& b) {
    return a.name == b.name && a.startBytes == b.startBytes && a.nowBytes == b.nowBytes && a.ended == b.ended &&
           a.growth == b.growth && a.processes == b.processes;
}

bool GrowthModel::before(const Entry& ea, const Entry& eb) const {
    const GrowthRow& a = ea.row;
    const GrowthRow& b = eb.row;
    int c = 0;
    switch (sortColumn_) {
    case Application:
        c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        break;
    case AtStart:
        c = compareValues(a.startBytes, b.startBytes);
        break;
    case Now:
        c = compareValues(nowValue(a), nowValue(b));
        break;
    case Growth:
        c = compareValues(a.growth, b.growth);
        break;
    case Processes:
        c = compareValues(a.processes, b.processes);
        break;
    case State:
        c = QString::compare(states_.value(a.key).first, states_.value(b.key).first, Qt::CaseInsensitive);
        break;
    default:
        break;
    }
    if (c != 0) return order_ == Qt::AscendingOrder ? c < 0 : c > 0;
    if (a.growth != b.growth) return a.growth > b.growth;
    if (const int n = QString::compare(a.name, b.name, Qt::CaseInsensitive)) return n < 0;
    return a.key < b.key;
}

void GrowthModel::reorder() {
    const size_t n = entries_.size();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [this](int a, int b) { return before(entries_[size_t(a)], entries_[size_t(b)]); });
    bool moved = false;
    for (size_t i = 0; i < n && !moved; ++i) moved = order[i] != int(i);
    if (!moved) return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(n);
    std::vector<Entry> sorted;
    sorted.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        newRow[size_t(order[i])] = int(i);
        sorted.push_back(std::move(entries_[size_t(order[i])]));
    }
    entries_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) to.append(index(newRow[size_t(i.row())], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GrowthModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns) return;
    sortColumn_ = column;
    order_ = order;
    reorder();
}

void GrowthModel::setRows(const std::vector<GrowthRow>& rows) {
    QHash<QString, const GrowthRow*> incoming;
    incoming.reserve(qsizetype(rows.size()));
    for (const GrowthRow& r : rows) incoming.insert(r.key, &r);

    // The applications that left, a run of rows at a time from the end.
    for (int last = int(entries_.size()) - 1; last >= 0;) {
        if (incoming.contains(entries_[size_t(last)].row.key)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !incoming.contains(entries_[size_t(first - 1)].row.key)) --first;
        beginRemoveRows({}, first, last);
        entries_.erase(entries_.begin() + first, entries_.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    // The ones still here: new figures, and which texts they changed.
    QHash<QString, int> shown;
    shown.reserve(qsizetype(entries_.size()));
    for (size_t r = 0; r < entries_.size(); ++r) {
        Entry& e = entries_[r];
        shown.insert(e.row.key, int(r));
        const GrowthRow& now = *incoming.value(e.row.key);
        if (sameFigures(e.row, now)) {
            e.row.members = now.members;  // what an action needs, never shown
            e.row.cgroup = now.cgroup;
            continue;
        }
        std::array<QString, kColumns> texts = textsOf(now);
        for (int c = 0; c < kColumns; ++c)
            if (texts[size_t(c)] != e.texts[size_t(c)]) e.changed |= 1u << c;
        e.row = now;
        e.texts = std::move(texts);
    }

    // The new ones, at the end until the order below places them.
    std::vector<Entry> added;
    for (const GrowthRow& r : rows)
        if (!shown.contains(r.key)) added.push_back(Entry{r, textsOf(r), 0});
    if (!added.empty()) {
        std::sort(added.begin(), added.end(), [this](const Entry& a, const Entry& b) { return before(a, b); });
        beginInsertRows({}, int(entries_.size()), int(entries_.size() + added.size()) - 1);
        for (Entry& e : added) entries_.push_back(std::move(e));
        endInsertRows();
    }

    reorder();

    // The changed cells, a run of rows at a time in each column.
    const int n = int(entries_.size());
    for (int c = 0; c < kColumns; ++c) {
        const unsigned bit = 1u << c;
        for (int r = 0; r < n;) {
            if (!(entries_[size_t(r)].changed & bit)) {
                ++r;
                continue;
            }
            const int first = r;
            while (r < n && (entries_[size_t(r)].changed & bit)) ++r;
            emit dataChanged(index(first, c), index(r - 1, c), {Qt::DisplayRole});
        }
    }
    for (Entry& e : entries_) e.changed = 0;
}

void GrowthModel::setState(const QString& key, const QString& state, const QString& tip) {
    const auto old = states_.constFind(key);
    if (state.isEmpty() ? old == states_.cend()
                        : (old != states_.cend() && old->first == state && old->second == tip))
        return;
    if (state.isEmpty())
        states_.remove(key);
    else
        states_.insert(key, {state, tip});
    for (size_t r = 0; r < entries_.size(); ++r)
        if (entries_[r].row.key == key) {
            const QModelIndex i = index(int(r), State);
            emit dataChanged(i, i, {Qt::DisplayRole, Qt::ToolTipRole});
            if (sortColumn_ == State) reorder();
            break;
        }
}

QString GrowthModel::tabSeparated(const QList<int>& rows) const {
    QString out = columnTitles().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r : rows) {
        if (r < 0 || r >= int(entries_.size())) continue;
        const auto& texts = entries_[size_t(r)].texts;
        for (int c = 0; c < kFigureColumns; ++c) {
            if (c > 0) out += QLatin1Char('\t');
            out += texts[size_t(c)];
        }
        out += QLatin1Char('\n');
    }
    return out;
}

}  // namespace ostra::grow

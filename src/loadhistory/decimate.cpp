#include "loadhistory/decimate.h"

#include <algorithm>

namespace ostra::loadhistory {

namespace {

void merge(Range& r, bool& has, const Range& more) {
    if (!has) {
        r = more;
        has = true;
        return;
    }
    r.lo = std::min(r.lo, more.lo);
    r.hi = std::max(r.hi, more.hi);
    r.last = more.last;
}

// One column's slots: gathered in locals without a branch on the figures
// (a day is 86,400 of them), then merged into the column.
void gather(Column& col, const std::uint32_t* slots, int n) {
    int lo = 101, hi = -1, first = -1, last = -1;
    int pLo = 16384, pHi = -1, pFirst = -1, pLast = -1;
    unsigned events = 0;
    for (int k = 0; k < n; ++k) {
        const std::uint32_t v = slots[k];
        if (LoadRing::isEmpty(v)) continue;
        const int load = LoadRing::loadOf(v);
        lo = std::min(lo, load);
        hi = std::max(hi, load);
        first = first < 0 ? load : first;
        last = load;
        const int pressure = LoadRing::pressureOf(v);
        if (pressure >= 0) {
            pLo = std::min(pLo, pressure);
            pHi = std::max(pHi, pressure);
            pFirst = pFirst < 0 ? pressure : pFirst;
            pLast = pressure;
        }
        events |= LoadRing::eventsOf(v);
    }
    if (first >= 0) merge(col.load, col.hasLoad, Range{lo, hi, first, last});
    if (pFirst >= 0) merge(col.pressure, col.hasPressure, Range{pLo, pHi, pFirst, pLast});
    col.events |= events;
}

}  // namespace

int columnOf(std::int64_t t, std::int64_t from, std::int64_t to, int columns) {
    const std::int64_t n = to - from + 1;
    return static_cast<int>((t - from) * columns / n);
}

std::int64_t firstSecondOf(int column, std::int64_t from, std::int64_t to, int columns) {
    const std::int64_t n = to - from + 1;
    // The smallest t with (t - from) * columns >= column * n.
    return from + (static_cast<std::int64_t>(column) * n + columns - 1) / columns;
}

std::vector<Column> decimate(const LoadRing& ring, std::int64_t from, std::int64_t to, int columns) {
    std::vector<Column> out(columns > 0 ? static_cast<std::size_t>(columns) : 0u);
    if (columns <= 0 || to < from) return out;
    for (int c = 0; c < columns; ++c)
        out[static_cast<std::size_t>(c)].seconds =
            static_cast<int>((c + 1 < columns ? firstSecondOf(c + 1, from, to, columns) : to + 1) -
                             firstSecondOf(c, from, to, columns));
    // The slots are read as they lie, a column's run at a time: the column
    // steps on once per column, not per second.
    int c = 0;
    std::int64_t next = firstSecondOf(1, from, to, columns);
    ring.forEachRun(from, to, [&](std::int64_t t0, const std::uint32_t* slots, int n) {
        for (int i = 0; i < n;) {
            const std::int64_t t = t0 + i;
            while (t >= next && c + 1 < columns) next = firstSecondOf(++c + 1, from, to, columns);
            const int m = static_cast<int>(std::min<std::int64_t>(n - i, next - t));
            gather(out[static_cast<std::size_t>(c)], slots + i, m);
            i += m;
        }
    });
    if (columns > to - from + 1)
        for (int k = 1; k < columns; ++k) {
            Column& col = out[static_cast<std::size_t>(k)];
            if (col.seconds == 0) {
                col = out[static_cast<std::size_t>(k - 1)];
                col.seconds = 0;
            }
        }
    return out;
}

}  // namespace ostra::loadhistory

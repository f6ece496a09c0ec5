#include "loadhistory/decimate.h"

namespace ostra::loadhistory {

namespace {

void add(Range& r, bool& has, int v) {
    if (!has) {
        r = {v, v, v, v};
        has = true;
        return;
    }
    if (v < r.lo) r.lo = v;
    if (v > r.hi) r.hi = v;
    r.last = v;
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
    // The column steps on as t moves: a compare per second, no division.
    int c = 0;
    std::int64_t next = firstSecondOf(1, from, to, columns);
    ring.forEach(from, to, [&](std::int64_t t, const Sample& s) {
        while (t >= next && c + 1 < columns) next = firstSecondOf(++c + 1, from, to, columns);
        Column& col = out[static_cast<std::size_t>(c)];
        add(col.load, col.hasLoad, s.load);
        if (s.pressure >= 0) add(col.pressure, col.hasPressure, s.pressure);
        col.events |= s.events;
    });
    return out;
}

}  // namespace ostra::loadhistory

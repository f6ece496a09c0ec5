// The samples of a span of seconds brought down to pixel columns: for each
// column the lowest, highest, first and last load and pressure, and the
// events, so that a day draws in as many strokes as there are columns.
#pragma once

#include "loadhistory/load_ring.h"

#include <cstdint>
#include <vector>

namespace ostra::loadhistory {

struct Range {
    int lo = 0, hi = 0, first = 0, last = 0;
};

struct Column {
    bool hasLoad = false;
    bool hasPressure = false;
    Range load;      // percent
    Range pressure;  // hundredths
    unsigned events = 0;
    int seconds = 0;  // seconds it covers: 0 for a column that shows the second before it
};

// Column c covers the seconds from + c*n/columns up to the next column's
// first, n = to - from + 1. With more columns than seconds, a column that
// covers none shows the second before it (its figures and events), so
// that a second spans whole columns without holes.
std::vector<Column> decimate(const LoadRing& ring, std::int64_t from, std::int64_t to, int columns);

// The column a second falls in, and the first second of a column.
int columnOf(std::int64_t t, std::int64_t from, std::int64_t to, int columns);
std::int64_t firstSecondOf(int column, std::int64_t from, std::int64_t to, int columns);

}  // namespace ostra::loadhistory

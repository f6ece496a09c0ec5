// The ranges the window offers and a span of samples summed up in words,
// as a screen reader gives the plot.
#pragma once

#include "loadhistory/load_ring.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ostra::loadhistory {

struct Span {
    int seconds;
    const char* name;   // "last ..." in the summary
    const char* label;  // its button
};
inline constexpr std::array<Span, 4> kSpans{{{600, "10 minutes", "10 min"},
                                             {3600, "hour", "1 hour"},
                                             {6 * 3600, "6 hours", "6 hours"},
                                             {24 * 3600, "24 hours", "24 hours"}}};

// "Last hour: load lowest 40 %, highest 60 %, latest 47 %; memory pressure
// lowest 0.00 %, highest 1.20 %, latest 0.10 %; 1 start point, 2 warnings."
QString summary(const LoadRing& ring, std::int64_t from, std::int64_t to, const QString& spanName);

}  // namespace ostra::loadhistory

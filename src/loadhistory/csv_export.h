// The samples of a span of seconds as CSV (RFC 4180: CRLF line ends, one
// header line): time,load_percent,pressure_some_avg10,event.
#pragma once

#include "loadhistory/load_ring.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace ostra::loadhistory {

inline const char* const kCsvHeader = "time,load_percent,pressure_some_avg10,event";

// "2026-12-09T10:04:05+01:00": local time with its offset from UTC.
QString isoTime(std::int64_t t);
// "0.12": hundredths as a percentage with two decimals.
QString percentHundredths(int hundredths);
// "start point", "warning", "acknowledged", joined by ";" when a second
// holds more than one; empty for none.
QString eventText(unsigned events);

QByteArray csv(const LoadRing& ring, std::int64_t from, std::int64_t to);

}  // namespace ostra::loadhistory

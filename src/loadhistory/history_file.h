// The ring's file in the data folder, as text. A line "@T" sets the second
// (seconds since 1970) of the sample on the next line; every sample line
// stands for the second after the one before it:
//
//   ostra load history 1
//   @1800000000
//   47 12
//   48 - sw
//
// load (0..100), pressure "some avg10" in hundredths ("-" unknown), and
// the events as letters: s start point, w warning, a acknowledged, W a
// warning standing. Seconds without a sample are not written.
#pragma once

#include "loadhistory/load_ring.h"

#include <QByteArray>

#include <cstdint>

namespace ostra::loadhistory {

// The most of a history file that is read.
inline constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

QByteArray serialize(const LoadRing& ring);

// Reads what parses into an empty ring: a line that does not parse still
// takes its second, a last line without its line end is left out, and only
// seconds later than the sample before, not after `now` and within the day
// before `now` are kept. Returns the number of samples kept.
int parse(const QByteArray& text, std::int64_t now, LoadRing& ring);

}  // namespace ostra::loadhistory

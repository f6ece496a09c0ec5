// The system's journal: one entry, a list of fields, handed over without
// waiting. Where no journal runs, or it cannot take the entry now, the
// entry is dropped: the program never waits for the journal.
#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace ostra {

// NAME, value. A name may repeat (OSTRA_APP once per application).
using JournalFields = std::vector<std::pair<QByteArray, QByteArray>>;

class Journal {
public:
    virtual ~Journal() = default;
    // True when the journal took the entry.
    virtual bool send(const JournalFields& fields) = 0;
};

namespace journal {

// The journal's native datagram: "NAME=value\n" per field, or, for a value
// that holds a line feed, "NAME\n", its length as 64-bit little-endian,
// the value and "\n".
QByteArray datagram(const JournalFields& fields);

}  // namespace journal

}  // namespace ostra

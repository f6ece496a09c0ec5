// The samples of a span of seconds as CSV (RFC 4180: CRLF line ends, one
// header line): time,load_percent,pressure_some_avg10,event.
#pragma once

#include "loadhistory/load_ring.h"
#include "platform/dialogs.h"
#include "platform/files.h"

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

inline const char* const kExportFileName = "load-history.csv";

// "Export CSV...": the save dialog in the folder of the last export (else
// the home folder), then the file replaced whole; a failure leaves no file
// behind and is told in the error box with the file and the system's
// reason.
class CsvExporter {
public:
    struct Deps {
        const LoadRing& ring;
        Files& files;
        Dialogs& dialogs;
        QString home;
    };
    explicit CsvExporter(Deps deps) : d_(std::move(deps)) {}

    // The folder of the last export; empty before the first.
    const QString& lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder) { lastFolder_ = folder; }

    // The seconds from..to to a file the user chooses; false when cancelled
    // or not written.
    bool exportCsv(std::int64_t from, std::int64_t to);

private:
    Deps d_;
    QString lastFolder_;
};

}  // namespace ostra::loadhistory

// What the user saw and did, handed to the fleet's tools: each event as a
// journal entry, and the figures as a file for node_exporter's textfile
// collector when a folder is set. Driven by the monitor's once-a-second
// sample and the signals of the warning, the acting and the out-of-memory
// watch; it has no timer of its own. The file is written at most once in
// 15 s and only when a figure changed, and removed at the end.
#pragma once

#include "export/export_event.h"
#include "export/journal_events.h"
#include "export/textfile.h"
#include "platform/clock.h"
#include "platform/collector_folder.h"
#include "platform/journal.h"

#include <QString>

#include <functional>
#include <limits>

namespace ostra {

// Writes the collector's file: at most once in kIntervalSeconds, only what
// differs from the last file written, and a failure said once on standard
// error (again only after a write has worked since).
class TextfileWriter {
public:
    struct Deps {
        CollectorFolder& folder;
        Clock& clock;
        QString dir;  // empty: nothing is written
        std::function<void(const QString&)> complain;
    };
    static constexpr std::int64_t kIntervalSeconds = 15;

    explicit TextfileWriter(Deps deps);
    bool enabled() const { return enabled_; }
    QString user() const { return user_; }
    QString path() const { return d_.dir + QLatin1Char('/') + name_; }
    // Whether a write may happen now (15 s since the last one): the text
    // is not even made before.
    bool due();
    // The file as it should read now: written when due. True when the file
    // holds it (written now or before).
    bool offer(const QByteArray& text);
    // The program ends: the file goes.
    void finish();

private:
    void complainOnce(const QString& reason);

    Deps d_;
    bool enabled_ = false;
    QString user_;
    QString name_;
    QByteArray written_;
    bool wroteOnce_ = false;
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min() / 2;
    std::int64_t lastAttempt_ = kNever;
    bool complained_ = false;
};

class Exporter {
public:
    struct Deps {
        Journal& journal;
        CollectorFolder& folder;
        Clock& clock;
        QString textfileDir;
        std::function<void(const QString&)> complain;
    };
    explicit Exporter(Deps deps);

    // The once-a-second sample: the load now and the load limit (none while
    // the load warning is off); the file written when due.
    void sampled(int load, std::optional<int> limit);
    // A limit or rise warning stands (reported at each tick while it
    // does). True when it opened now: counted, and its journal entry waits
    // for warningApps().
    bool warning(const ExportEvent& e);
    // What grew most, from the scan made for the warnings that opened.
    void warningApps(const std::vector<AppGrowth>& grown);
    // The events below carry the load and limit of the latest sample.
    // "OK": an entry when a warning stood; both kinds end.
    void acknowledged();
    // The warning window closed: whatever stood ends.
    void warningClosed();
    // An application was paused, resumed, asked to close or ended.
    void acted(ExportKind kind, const AppGrowth& app);
    // The out-of-memory killer ended a program (counted).
    void oomKillSeen();
    // What a kill was told as: the application, when it could be named.
    void oomKillTold(std::optional<AppGrowth> app);
    // The applications of the latest scan, most grown first.
    void grown(std::vector<AppGrowth> apps);
    // The program ends: waiting entries go out, the file goes.
    void finish();

    const ExportMetrics& metrics() const { return m_; }
    TextfileWriter& textfile() { return writer_; }

private:
    ExportEvent event(ExportKind kind) const;

    JournalEvents journal_;
    TextfileWriter writer_;
    ExportMetrics m_;
    std::optional<ExportMetrics> inFile_;  // what the file holds
};

}  // namespace ostra

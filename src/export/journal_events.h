// The journal's entries of the events: the fields of each (MESSAGE, a fixed
// MESSAGE_ID per kind, PRIORITY 4 for a warning or a kill and 5 for the
// rest, SYSLOG_IDENTIFIER=ostra, OSTRA_EVENT, OSTRA_LOAD, OSTRA_LIMIT and an
// OSTRA_APP / OSTRA_GROWTH_BYTES pair per application named), and the
// order they go out in: a warning waits for the scan that names what grew
// most, and what happens meanwhile waits behind it.
#pragma once

#include "export/export_event.h"
#include "platform/journal.h"

#include <deque>

namespace ostra {

// The 128-bit id of a kind of event, 32 hexadecimal digits.
const char* journalMessageId(ExportKind kind);
int journalPriority(ExportKind kind);
// One readable line: "Memory load 93% passed the limit 90%; grew most:
// Firefox +1.9 GiB, Code +420.0 MiB".
QString journalMessage(const ExportEvent& e);
JournalFields journalFields(const ExportEvent& e);

class JournalEvents {
public:
    static constexpr std::size_t kWarningApps = 3;

    explicit JournalEvents(Journal& journal) : journal_(journal) {}

    // An event whose applications are known: sent now, or after the
    // warnings still waiting for theirs.
    void post(ExportEvent e);
    // A warning that waits for appsKnown().
    void postAwaitingApps(ExportEvent e);
    // What grew most, from the scan of a warning: the waiting warnings get
    // the first three and go out, with everything behind them.
    void appsKnown(const std::vector<AppGrowth>& apps);
    // Sends whatever still waits, as it is (the program ends).
    void flush();
    std::size_t waiting() const { return queue_.size(); }

private:
    struct Queued {
        ExportEvent event;
        bool awaiting = false;
    };
    void drain();

    Journal& journal_;
    std::deque<Queued> queue_;
};

}  // namespace ostra

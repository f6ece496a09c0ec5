// One application as the user chose it: its name, the systemd unit the
// desktop started it in (if any), its processes with their start times and
// its memory.
#pragma once

#include "grow/growth.h"
#include "platform/process_control.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace ostra::act {

struct Target {
    QString key;   // tells applications apart (as the table's rows do)
    QString name;  // as shown
    QString unit;  // "app-….scope" / "app-….service"; empty when it runs in none
    std::vector<ProcessRef> processes;
    std::int64_t bytes = 0;
    std::int64_t growth = 0;  // since the start point

    std::vector<int> pids() const {
        std::vector<int> out;
        for (const ProcessRef& p : processes) out.push_back(p.pid);
        return out;
    }
};

// The innermost application unit (app-*.scope or app-*.service) of a
// process's cgroup lines, the unified hierarchy's line first; empty when it
// runs in none.
QString applicationUnit(const QByteArray& cgroup);

// The processes of `pids` with the start times they have now (those already
// gone are left out): the moment of the choice.
std::vector<ProcessRef> chosenNow(ProcessControl& control, const std::vector<int>& pids);

// The application of a row of "What grew" as chosen now: its processes
// with their start times at this moment, its unit where all of them run in
// one.
Target targetOf(const grow::GrowthRow& row, ProcessControl& control);

}  // namespace ostra::act

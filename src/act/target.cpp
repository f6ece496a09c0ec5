#include "act/target.h"

#include <QList>

namespace ostra::act {

namespace {

QString unitOfPath(const QByteArray& path) {
    const QList<QByteArray> parts = path.split('/');
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        const QByteArray& p = *it;
        if (p.startsWith("app-") && (p.endsWith(".scope") || p.endsWith(".service"))) {
            // Only the characters systemd allows in a unit name.
            for (char c : p)
                if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' ||
                      c == '@' || c == ':' || c == '\\'))
                    return {};
            return QString::fromLatin1(p);
        }
    }
    return {};
}

}  // namespace

QString applicationUnit(const QByteArray& cgroup) {
    const QList<QByteArray> lines = cgroup.split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("0::")) return unitOfPath(line.mid(3).trimmed());
    for (const QByteArray& line : lines) {
        const int at = line.indexOf(':', line.indexOf(':') + 1);
        if (at < 0) continue;
        const QString u = unitOfPath(line.mid(at + 1).trimmed());
        if (!u.isEmpty()) return u;
    }
    return {};
}

std::vector<ProcessRef> chosenNow(ProcessControl& control, const std::vector<int>& pids) {
    std::vector<ProcessRef> out;
    for (int pid : pids)
        if (const std::optional<ProcessFacts> f = control.facts(pid))
            if (f->state != 'Z' && f->state != 'X') out.push_back({pid, f->startTime});
    return out;
}

Target targetOf(const grow::GrowthRow& row, ProcessControl& control) {
    Target t;
    t.key = row.key;
    t.name = row.name;
    t.unit = applicationUnit(row.cgroup);
    t.processes = chosenNow(control, row.pids);
    t.bytes = row.nowBytes;
    t.growth = row.growth;
    return t;
}

}  // namespace ostra::act

#include "act/paused_state.h"

#include <QList>

namespace ostra::act {

namespace {

bool unitName(const QByteArray& s) {
    if (s.isEmpty() || s.size() > 256) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '@' ||
              c == ':' || c == '\\'))
            return false;
    return s.endsWith(".scope") || s.endsWith(".service");
}

}  // namespace

QByteArray serialize(const PausedSet& set) {
    QByteArray out;
    for (const QString& u : set.units) out += "unit " + u.toLatin1() + '\n';
    for (const ProcessRef& p : set.processes)
        out += "process " + QByteArray::number(p.pid) + ' ' + QByteArray::number(p.startTime) + '\n';
    return out;
}

PausedSet parsePaused(const QByteArray& text) {
    PausedSet set;
    const QList<QByteArray> lines = text.split('\n');
    // The last piece has no line end: not whole.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f.size() == 2 && f[0] == "unit" && unitName(f[1])) {
            set.units << QString::fromLatin1(f[1]);
        } else if (f.size() == 3 && f[0] == "process") {
            bool okPid = false, okStart = false;
            const int pid = f[1].toInt(&okPid);
            const std::uint64_t start = f[2].toULongLong(&okStart);
            if (okPid && okStart && pid > 1) set.processes.push_back({pid, start});
        }
    }
    return set;
}

}  // namespace ostra::act

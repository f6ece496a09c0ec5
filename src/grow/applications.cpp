#include "grow/applications.h"

#include <QHash>

#include <cctype>

namespace ostra::grow {

namespace {

// Undoes systemd's \xNN escapes (a "-" in an ID is written \x2d).
QByteArray unescaped(const QByteArray& s) {
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && std::isxdigit(uchar(s[i + 2])) &&
            std::isxdigit(uchar(s[i + 3]))) {
            out.append(char(s.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
            continue;
        }
        out.append(s[i]);
    }
    return out;
}

// [LAUNCHER-]ID: the launcher is the first dash-separated part when there
// are more than one (an escaped ID has no dash of its own).
QByteArray withoutLauncher(const QByteArray& s) {
    const qsizetype dash = s.indexOf('-');
    return dash < 0 ? s : s.mid(dash + 1);
}

}  // namespace

std::optional<QByteArray> unitApplicationId(const QByteArray& unit) {
    if (!unit.startsWith("app-")) return std::nullopt;
    QByteArray rest = unit.mid(4);
    QByteArray id;
    if (rest.endsWith(".scope")) {
        rest.chop(6);
        const qsizetype random = rest.lastIndexOf('-');
        if (random <= 0) return std::nullopt;
        id = withoutLauncher(rest.left(random));
    } else if (rest.endsWith(".service")) {
        rest.chop(8);
        const qsizetype at = rest.indexOf('@');
        id = withoutLauncher(at < 0 ? rest : rest.left(at));
    } else {
        return std::nullopt;
    }
    if (id.isEmpty()) return std::nullopt;
    return unescaped(id);
}

std::optional<QByteArray> cgroupApplicationId(const QByteArray& cgroup) {
    std::optional<QByteArray> found;
    bool foundUnified = false;
    for (const QByteArray& line : cgroup.split('\n')) {
        // hierarchy:controllers:path
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0) continue;
        const bool unified = line.startsWith("0::");
        if (found && (foundUnified || !unified)) continue;
        const QList<QByteArray> parts = line.mid(second + 1).split('/');
        for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
            if (std::optional<QByteArray> id = unitApplicationId(*it)) {
                found = id;
                foundUnified = unified;
                break;
            }
        }
    }
    return found;
}

QString shownName(const QByteArray& raw, int maxChars) {
    QString out;
    const auto escape = [&out](unsigned char b) {
        out += QStringLiteral("\\x%1").arg(uint(b), 2, 16, QLatin1Char('0'));
    };
    const auto* s = reinterpret_cast<const unsigned char*>(raw.constData());
    const qsizetype n = raw.size();
    int chars = 0;
    for (qsizetype i = 0; i < n;) {
        if (chars >= maxChars) {
            out += QChar(0x2026);
            break;
        }
        ++chars;
        const unsigned char b = s[i];
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7f || b == '\\')
                escape(b);
            else
                out += QLatin1Char(char(b));
            ++i;
            continue;
        }
        // The length of a UTF-8 sequence from its first byte, and the
        // least code point it may carry (longer forms are invalid).
        int len = 0;
        char32_t cp = 0, least = 0;
        if (b >= 0xc2 && b <= 0xdf)
            len = 2, cp = b & 0x1f, least = 0x80;
        else if (b >= 0xe0 && b <= 0xef)
            len = 3, cp = b & 0x0f, least = 0x800;
        else if (b >= 0xf0 && b <= 0xf4)
            len = 4, cp = b & 0x07, least = 0x10000;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xc0) != 0x80) ok = false;
            cp = (cp << 6) | (s[i + k] & 0x3f);
        }
        ok = ok && cp >= least && cp <= 0x10ffff && !(cp >= 0xd800 && cp <= 0xdfff);
        if (!ok) {
            escape(b);
            ++i;
            continue;
        }
        if (cp < 0xa0 || cp == 0x2028 || cp == 0x2029 || (cp >= 0x202a && cp <= 0x202e) ||
            (cp >= 0x2066 && cp <= 0x2069)) {
            // C1 controls, line separators and direction overrides: shown
            // as their bytes, never acted on.
            for (int k = 0; k < len; ++k) escape(s[i + k]);
        } else {
            out += QString::fromUcs4(&cp, 1);
        }
        i += len;
    }
    return out;
}

namespace {

struct Identity {
    QString key;
    QString name;
};

Identity byEntry(const AppIndex::Entry& e) { return {QStringLiteral("app:") + e.id, shownName(e.name)}; }

// The application of a process outside an application unit.
Identity identify(const ProcessRecord& p, const AppIndex& index) {
    if (p.executable.isEmpty())
        return {QStringLiteral("exe:") + QString::fromLatin1(p.command), shownName(p.command)};
    if (isInterpreter(p.executable)) {
        QByteArrayList args = p.commandLine.split('\0');
        if (p.commandLine.endsWith('\0')) args.removeLast();
        if (!args.isEmpty()) args.removeFirst();  // the program itself (empty: no arguments at all)
        if (const std::optional<QByteArray> script = interpreterScript(p.executable, args)) {
            const QByteArray base = script->mid(script->lastIndexOf('/') + 1);
            if (!base.isEmpty()) {
                if (const AppIndex::Entry* e = index.byProgram(base)) return byEntry(*e);
                const QByteArray label = interpreterLabel(p.executable);
                return {QStringLiteral("script:") + QString::fromLatin1(label) + QLatin1Char(':') +
                            QString::fromLatin1(base),
                        shownName(label + ": " + base)};
            }
        }
        // No script (a shell, code given inline): the interpreter itself.
        return {QStringLiteral("exe:") + QString::fromLatin1(p.executable), shownName(p.executable)};
    }
    if (const AppIndex::Entry* e = index.byProgram(p.executable)) return byEntry(*e);
    return {QStringLiteral("exe:") + QString::fromLatin1(p.executable), shownName(p.executable)};
}

}  // namespace

Snapshot group(const ProcessScan& scan, const AppIndex& index) {
    Snapshot snap;
    snap.unreadable = scan.unreadable;
    QHash<QByteArray, Identity> units;        // desktop ID -> its application
    QHash<QByteArray, Identity> executables;  // executable -> its application (not an interpreter's)
    for (const ProcessRecord& p : scan.processes) {
        const Identity* found = nullptr;
        Identity own;
        if (std::optional<QByteArray> id = cgroupApplicationId(p.cgroup)) {
            auto it = units.constFind(*id);
            if (it == units.cend()) {
                const AppIndex::Entry* e = index.byId(*id);
                const QByteArray name = e && !e->name.isEmpty() ? e->name : *id;
                it = units.insert(*id, {QStringLiteral("unit:") + QString::fromLatin1(*id), shownName(name)});
            }
            found = &*it;
        } else if (!p.executable.isEmpty() && p.commandLine.isEmpty()) {
            auto it = executables.constFind(p.executable);
            if (it == executables.cend()) it = executables.insert(p.executable, identify(p, index));
            found = &*it;
        } else {
            own = identify(p, index);
            found = &own;
        }
        AppMemory& app = snap.apps[found->key];
        if (app.name.isEmpty()) app.name = found->name;
        app.bytes += p.bytes;
        if (app.members.empty())
            app.cgroup = p.cgroup;
        else if (!app.cgroup.isEmpty() && app.cgroup != p.cgroup)
            app.cgroup.clear();
        app.members.push_back({p.pid, p.startTime});
        ++app.processes;
    }
    return snap;
}

}  // namespace ostra::grow

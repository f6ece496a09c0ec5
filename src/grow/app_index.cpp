#include "grow/app_index.h"

#include "platform/process_memory.h"

#include <cstring>

namespace ostra::grow {

namespace {

QByteArray baseName(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

bool versionOf(const QByteArray& base, const char* stem) {
    if (!base.startsWith(stem)) return false;
    for (qsizetype i = qsizetype(qstrlen(stem)); i < base.size(); ++i)
        if (!(base[i] >= '0' && base[i] <= '9') && base[i] != '.') return false;
    return true;
}

enum class Option { Continue, SkipValue, NextIsScript, Inline };

// What a cluster of one-letter options ("-uW", "-ec") means: `inlineCode`
// letters give the code on the command line, `withValue` letters take the
// rest of the cluster or else the next argument. `module` (python's -m)
// names the script itself, attached or next.
Option cluster(const QByteArray& a, const char* inlineCode, const char* withValue, char module,
               QByteArray* attached) {
    for (qsizetype i = 1; i < a.size(); ++i) {
        const char c = a[i];
        if (c == 0) break;
        if (std::strchr(inlineCode, c)) return Option::Inline;
        if (module && c == module) {
            *attached = a.mid(i + 1);  // empty: the next argument
            return Option::NextIsScript;
        }
        if (std::strchr(withValue, c)) return i + 1 < a.size() ? Option::Continue : Option::SkipValue;
    }
    return Option::Continue;
}

}  // namespace

QByteArrayList execArguments(const QByteArray& exec) {
    // The string escapes of a desktop entry's value first...
    QByteArray s;
    s.reserve(exec.size());
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            const char c = exec[++i];
            s.append(c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c);
            continue;
        }
        s.append(exec[i]);
    }
    // ...then the arguments, some of them in double quotes.
    QByteArrayList args;
    qsizetype i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n')) ++i;
        if (i >= s.size()) break;
        QByteArray arg;
        if (s[i] == '"') {
            for (++i; i < s.size() && s[i] != '"'; ++i) {
                if (s[i] == '\\' && i + 1 < s.size()) ++i;
                arg.append(s[i]);
            }
            ++i;  // the closing quote
        } else {
            for (; i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\n'; ++i) arg.append(s[i]);
        }
        args << arg;
    }
    return args;
}

std::optional<QByteArray> interpreterScript(const QByteArray& base, const QByteArrayList& args) {
    const bool python = versionOf(base, "python"), perl = versionOf(base, "perl"), ruby = versionOf(base, "ruby");
    const bool node = base == "node" || base == "nodejs", java = base == "java";
    const bool shell = base == "sh" || base == "dash" || base == "bash";
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QByteArray& a = args[i];
        if (a == "--") return i + 1 < args.size() ? std::optional(args[i + 1]) : std::nullopt;
        if (a == "-") return std::nullopt;  // the standard input
        const bool option = a.startsWith('-') || (shell && a.startsWith('+'));
        if (!option) return a;
        Option o = Option::Continue;
        QByteArray attached;
        if (a.startsWith("--")) {
            if (node && (a == "--eval" || a == "--print"))
                o = Option::Inline;
            else if (node &&
                     (a == "--require" || a == "--import" || a == "--loader" || a == "--experimental-loader"))
                o = Option::SkipValue;
            else if (java &&
                     (a == "--class-path" || a == "--module-path" || a == "--upgrade-module-path" ||
                      a == "--add-modules" || a == "--add-reads" || a == "--add-exports" || a == "--add-opens" ||
                      a == "--limit-modules" || a == "--patch-module" || a == "--source"))
                o = Option::SkipValue;
            else if (java && a == "--module")
                o = Option::NextIsScript;
            else if (shell && (a == "--rcfile" || a == "--init-file"))
                o = Option::SkipValue;
        } else if (java) {
            if (a == "-jar" || a == "-m")
                o = Option::NextIsScript;
            else if (a == "-cp" || a == "-classpath" || a == "-p")
                o = Option::SkipValue;
        } else if (python) {
            o = cluster(a, "c", "WXQ", 'm', &attached);
        } else if (perl) {
            o = cluster(a, "eE", "MmIx", 0, &attached);
        } else if (ruby) {
            o = cluster(a, "e", "IrCEF", 0, &attached);
        } else if (node) {
            if (a.startsWith("-e") || a.startsWith("-p"))
                o = Option::Inline;
            else if (a == "-r")
                o = Option::SkipValue;
        } else if (shell) {
            o = cluster(a, "cs", "oO", 0, &attached);
        }
        switch (o) {
        case Option::Continue:
            break;
        case Option::SkipValue:
            ++i;
            break;
        case Option::Inline:
            return std::nullopt;
        case Option::NextIsScript:
            if (!attached.isEmpty()) return attached;
            return i + 1 < args.size() ? std::optional(args[i + 1]) : std::nullopt;
        }
    }
    return std::nullopt;
}

QByteArray interpreterLabel(const QByteArray& base) {
    if (base == "dash") return "sh";
    const qsizetype dot = base.indexOf('.');
    return dot < 0 ? base : base.left(dot);
}

AppIndex::AppIndex(DesktopEntries& entries) : source_(entries) {}

void AppIndex::refresh() {
    if (read_ && source_.stamp() == stamp_) return;
    rebuild(source_.read());
    read_ = true;
    ++reads_;
    stamp_ = source_.stamp();
}

void AppIndex::rebuild(std::vector<DesktopEntry> entries) {
    entries_.clear();
    ids_.clear();
    programs_.clear();
    classes_.clear();
    entries_.reserve(entries.size());
    for (const DesktopEntry& e : entries) {
        if (e.hidden) continue;  // deleted by the user
        ids_.insert(e.id.toUtf8(), int(entries_.size()));
        entries_.push_back({e.id, e.name});
    }
    // Programs: entries shown in menus first, then the others; the first
    // entry of a program keeps it.
    const auto claim = [](QHash<QByteArray, int>& map, const QByteArray& key, int at) {
        if (!key.isEmpty() && !map.contains(key)) map.insert(key, at);
    };
    for (const bool shown : {true, false}) {
        int at = -1;
        for (const DesktopEntry& e : entries) {
            if (e.hidden) continue;
            ++at;
            if (e.noDisplay == shown || !e.application || e.name.isEmpty()) continue;
            const QByteArray tryExec = baseName(e.tryExec);
            if (!isInterpreter(tryExec)) claim(programs_, tryExec, at);
            QByteArrayList args = execArguments(e.exec);
            if (!args.isEmpty() && baseName(args.front()) == "env") {
                args.removeFirst();
                while (!args.isEmpty() && (args.front().contains('=') || args.front().startsWith('-')))
                    args.removeFirst();
            }
            if (!args.isEmpty()) {
                const QByteArray program = baseName(args.takeFirst());
                if (isInterpreter(program)) {
                    if (const std::optional<QByteArray> script = interpreterScript(program, args))
                        claim(programs_, baseName(*script), at);
                } else if (program != "flatpak" && !program.startsWith('%')) {
                    claim(programs_, program, at);
                }
            }
            claim(classes_, e.wmClass.toLower(), at);
        }
    }
}

const AppIndex::Entry* AppIndex::byId(const QByteArray& id) const {
    const auto it = ids_.constFind(id);
    return it == ids_.cend() ? nullptr : &entries_[size_t(*it)];
}

const AppIndex::Entry* AppIndex::byProgram(const QByteArray& base) const {
    if (base.isEmpty()) return nullptr;
    if (const auto it = programs_.constFind(base); it != programs_.cend()) return &entries_[size_t(*it)];
    if (const auto it = classes_.constFind(base.toLower()); it != classes_.cend()) return &entries_[size_t(*it)];
    return nullptr;
}

}  // namespace ostra::grow

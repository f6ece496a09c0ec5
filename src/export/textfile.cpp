#include "export/textfile.h"

#include <QSet>
#include <QStringDecoder>

namespace ostra::textfile {

namespace {

// The bytes as UTF-8, each invalid sequence replaced by U+FFFD.
QByteArray validUtf8(const QByteArray& raw) {
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(raw);
    return text.toUtf8();
}

struct Writer {
    QByteArray out;
    QByteArray userLabel;

    void head(const char* name, const char* type, const char* help) {
        out += QByteArray("# HELP ") + name + ' ' + help + '\n';
        out += QByteArray("# TYPE ") + name + ' ' + type + '\n';
    }
    // name{label="value",user="..."} v; the labels in alphabetical order,
    // as the collector shows them.
    void sample(const char* name, const char* label, const QByteArray& value, const QByteArray& v) {
        out += name;
        out += '{';
        if (label) out += QByteArray(label) + "=\"" + escapeLabelValue(value) + "\",";
        out += "user=\"" + userLabel + "\"} " + v + '\n';
    }
};

}  // namespace

QByteArray escapeLabelValue(const QByteArray& raw) {
    QByteArray out;
    for (const char c : validUtf8(raw)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray exposition(const ExportMetrics& m, const QString& user) {
    Writer w{{}, escapeLabelValue(user.toUtf8())};
    const auto n = [](std::int64_t v) { return QByteArray::number(static_cast<qlonglong>(v)); };
    const auto u = [](std::uint64_t v) { return QByteArray::number(static_cast<qulonglong>(v)); };
    if (m.load) {
        w.head("ostra_memory_load_percent", "gauge", "Memory load as Ostra last read it, in percent.");
        w.sample("ostra_memory_load_percent", nullptr, {}, n(*m.load));
    }
    if (m.limit) {
        w.head("ostra_load_limit_percent", "gauge", "The load limit of Ostra's warning, in percent.");
        w.sample("ostra_load_limit_percent", nullptr, {}, n(*m.limit));
    }
    w.head("ostra_warning_active", "gauge", "1 while Ostra's warning of this kind is open and not acknowledged.");
    w.sample("ostra_warning_active", "kind", "limit", n(m.limitActive ? 1 : 0));
    w.sample("ostra_warning_active", "kind", "rise", n(m.riseActive ? 1 : 0));
    w.head("ostra_warnings_total", "counter", "Warnings of this kind Ostra opened since it started.");
    w.sample("ostra_warnings_total", "kind", "limit", u(m.limitWarnings));
    w.sample("ostra_warnings_total", "kind", "rise", u(m.riseWarnings));
    w.head("ostra_oom_kills_seen_total", "counter", "Out-of-memory kills Ostra saw since it started.");
    w.sample("ostra_oom_kills_seen_total", nullptr, {}, u(m.oomKills));
    // One sample per name: the collector rejects a file with two equal ones.
    w.head("ostra_application_growth_bytes", "gauge",
           "Memory the applications that grew most gained since Ostra's start point, in bytes.");
    QSet<QByteArray> named;
    for (const AppGrowth& a : m.grown) {
        if (named.size() == static_cast<qsizetype>(kApplications)) break;
        const QByteArray name = a.name.isEmpty() ? QByteArray("?") : a.name.toUtf8();
        const QByteArray key = escapeLabelValue(name);
        if (named.contains(key)) continue;
        named.insert(key);
        w.sample("ostra_application_growth_bytes", "application", name, n(a.bytes));
    }
    return w.out;
}

QString fileName(const QString& user) {
    QString safe = user;
    for (QChar& c : safe) {
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                        c == QLatin1Char('_') || c == QLatin1Char('-');
        if (!ok) c = QLatin1Char('_');
    }
    return QStringLiteral("ostra-") + safe + QStringLiteral(".prom");
}

}  // namespace ostra::textfile

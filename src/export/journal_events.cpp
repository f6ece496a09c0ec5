#include "export/journal_events.h"

#include "grow/growth.h"

#include <QStringList>

namespace ostra {

const char* exportKindName(ExportKind kind) {
    switch (kind) {
    case ExportKind::WarningLimit:
        return "warning-limit";
    case ExportKind::WarningRise:
        return "warning-rise";
    case ExportKind::Acknowledged:
        return "acknowledged";
    case ExportKind::Paused:
        return "paused";
    case ExportKind::Resumed:
        return "resumed";
    case ExportKind::Closed:
        return "closed";
    case ExportKind::Ended:
        return "ended";
    case ExportKind::OomKill:
        return "oom-kill";
    }
    return "";
}

const char* journalMessageId(ExportKind kind) {
    switch (kind) {
    case ExportKind::WarningLimit:
        return "e28845bbce574a5b8e0633a8671f1cc7";
    case ExportKind::WarningRise:
        return "086442ee1d1f4f5d860d11e343f5072a";
    case ExportKind::Acknowledged:
        return "a3b87471ceec4578b8e036d0d45d08db";
    case ExportKind::Paused:
        return "d5e6da4fe96d44a298f4b049414b32bc";
    case ExportKind::Resumed:
        return "306e381f825044b1b2fe18bf90ee2c7b";
    case ExportKind::Closed:
        return "1e9a29f4c0d040459079defe3950dcef";
    case ExportKind::Ended:
        return "0846c8fe7dbd452abd8ecfc8eae10b11";
    case ExportKind::OomKill:
        return "4479730dd0eb4688b7ffa05fa66a4e5f";
    }
    return "";
}

int journalPriority(ExportKind kind) {
    const bool warning = kind == ExportKind::WarningLimit || kind == ExportKind::WarningRise;
    return warning || kind == ExportKind::OomKill ? 4 : 5;
}

namespace {

QString grewMost(const std::vector<AppGrowth>& apps) {
    if (apps.empty()) return {};
    QStringList parts;
    for (const AppGrowth& a : apps) parts << a.name + QLatin1Char(' ') + grow::growthText(a.bytes);
    return QStringLiteral("; grew most: ") + parts.join(QStringLiteral(", "));
}

QString firstName(const ExportEvent& e) {
    return e.apps.empty() ? QStringLiteral("an application") : e.apps.front().name;
}

}  // namespace

QString journalMessage(const ExportEvent& e) {
    const QString at = QStringLiteral(" at memory load %1%").arg(e.load);
    switch (e.kind) {
    case ExportKind::WarningLimit: {
        const QString limit = e.limit ? QStringLiteral(" %1%").arg(*e.limit) : QString();
        return QStringLiteral("Memory load %1% passed the limit%2").arg(e.load).arg(limit) + grewMost(e.apps);
    }
    case ExportKind::WarningRise:
        return QStringLiteral("Memory load rose %1 points to %2%, past the rise limit of %3 points")
                   .arg(e.rise)
                   .arg(e.load)
                   .arg(e.riseLimit) +
               grewMost(e.apps);
    case ExportKind::Acknowledged:
        return QStringLiteral("Warning acknowledged") + at;
    case ExportKind::Paused:
        if (!e.apps.empty() && e.apps.front().bytes != 0)
            return QStringLiteral("Paused %1 (%2 since the start point)")
                       .arg(e.apps.front().name, grow::growthText(e.apps.front().bytes)) +
                   at;
        return QStringLiteral("Paused ") + firstName(e) + at;
    case ExportKind::Resumed:
        return QStringLiteral("Resumed ") + firstName(e) + at;
    case ExportKind::Closed:
        return QStringLiteral("Asked %1 to close its windows").arg(firstName(e)) + at;
    case ExportKind::Ended:
        return QStringLiteral("Ended ") + firstName(e) + at;
    case ExportKind::OomKill:
        if (e.apps.empty()) return QStringLiteral("The out-of-memory killer ended a program") + at;
        return QStringLiteral("The out-of-memory killer ended %1, which held %2,")
                   .arg(e.apps.front().name, grow::sizeText(e.apps.front().bytes)) +
               at;
    }
    return {};
}

JournalFields journalFields(const ExportEvent& e) {
    JournalFields f;
    // One line: a name with a line break in it cannot split the entry.
    QString message = journalMessage(e);
    message.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    f.emplace_back("MESSAGE", message.toUtf8());
    f.emplace_back("MESSAGE_ID", journalMessageId(e.kind));
    f.emplace_back("PRIORITY", QByteArray::number(journalPriority(e.kind)));
    f.emplace_back("SYSLOG_IDENTIFIER", "ostra");
    f.emplace_back("OSTRA_EVENT", exportKindName(e.kind));
    f.emplace_back("OSTRA_LOAD", QByteArray::number(e.load));
    if (e.limit) f.emplace_back("OSTRA_LIMIT", QByteArray::number(*e.limit));
    if (e.kind == ExportKind::WarningRise) {
        f.emplace_back("OSTRA_RISE", QByteArray::number(e.rise));
        f.emplace_back("OSTRA_RISE_LIMIT", QByteArray::number(e.riseLimit));
    }
    // A kill names what the application held, the others what it grew.
    const QByteArray bytesField = e.kind == ExportKind::OomKill ? "OSTRA_HELD_BYTES" : "OSTRA_GROWTH_BYTES";
    for (const AppGrowth& a : e.apps) {
        f.emplace_back("OSTRA_APP", a.name.toUtf8());
        f.emplace_back(bytesField, QByteArray::number(static_cast<qlonglong>(a.bytes)));
    }
    return f;
}

void JournalEvents::post(ExportEvent e) {
    queue_.push_back({std::move(e), false});
    drain();
}

void JournalEvents::postAwaitingApps(ExportEvent e) { queue_.push_back({std::move(e), true}); }

void JournalEvents::appsKnown(const std::vector<AppGrowth>& apps) {
    const std::size_t n = std::min(apps.size(), kWarningApps);
    for (Queued& q : queue_) {
        if (!q.awaiting) continue;
        q.event.apps.assign(apps.begin(), apps.begin() + static_cast<std::ptrdiff_t>(n));
        q.awaiting = false;
    }
    drain();
}

void JournalEvents::flush() {
    for (Queued& q : queue_) q.awaiting = false;
    drain();
}

void JournalEvents::drain() {
    while (!queue_.empty() && !queue_.front().awaiting) {
        journal_.send(journalFields(queue_.front().event));
        queue_.pop_front();
    }
}

}  // namespace ostra

#include "loadhistory/csv_export.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace ostra::loadhistory {

QString isoTime(std::int64_t t) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
    const int offset = local.offsetFromUtc();
    const int a = offset < 0 ? -offset : offset;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(a / 3600, 2, 10, QLatin1Char('0'))
               .arg((a / 60) % 60, 2, 10, QLatin1Char('0'));
}

QString percentHundredths(int hundredths) {
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString eventText(unsigned events) {
    QStringList parts;
    if (events & StartPointSet) parts << QStringLiteral("start point");
    if (events & WarningShown) parts << QStringLiteral("warning");
    if (events & Acknowledged) parts << QStringLiteral("acknowledged");
    if (events & OomKill) parts << QStringLiteral("oom-kill");
    return parts.join(QLatin1Char(';'));
}

QByteArray csv(const LoadRing& ring, std::int64_t from, std::int64_t to) {
    QByteArray out(kCsvHeader);
    out.append("\r\n");
    ring.forEach(from, to, [&out](std::int64_t t, const Sample& s) {
        // No field holds a comma, a quote or a line end, so none is quoted.
        out.append(isoTime(t).toLatin1());
        out.append(',');
        out.append(QByteArray::number(s.load));
        out.append(',');
        if (s.pressure >= 0) out.append(percentHundredths(s.pressure).toLatin1());
        out.append(',');
        out.append(eventText(s.events).toLatin1());
        out.append("\r\n");
    });
    return out;
}

bool CsvExporter::exportCsv(std::int64_t from, std::int64_t to) {
    const QString folder = lastFolder_.isEmpty() ? d_.home : lastFolder_;
    const std::optional<QString> target =
        d_.dialogs.saveFile(QStringLiteral("Export CSV"), QStringLiteral("CSV files|*.csv"),
                            QDir(folder).filePath(QLatin1String(kExportFileName)));
    if (!target || target->isEmpty()) return false;
    if (const std::optional<QString> reason = d_.files.replaceFileError(*target, csv(d_.ring, from, to))) {
        d_.dialogs.error(QStringLiteral("The load history could not be saved as \"%1\": %2.")
                             .arg(QDir::toNativeSeparators(*target), *reason));
        return false;
    }
    lastFolder_ = QFileInfo(*target).absolutePath();
    return true;
}

}  // namespace ostra::loadhistory

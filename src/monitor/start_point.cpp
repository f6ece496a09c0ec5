#include "monitor/start_point.h"

#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"

namespace ostra {

StartPoint::StartPoint(Monitor& monitor, ResList& history, RestTimer& restTimer, RestAlarm& restAlarm,
                       QObject* parent)
    : QObject(parent), monitor_(monitor), history_(history), restTimer_(restTimer), restAlarm_(restAlarm) {}

std::optional<int> StartPoint::leadingNumber(const QString& text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
    const qsizetype digits = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i;
    if (i == digits) return std::nullopt;
    bool ok = false;
    const int v = text.left(i).toInt(&ok);
    if (!ok) return text[0] == QLatin1Char('-') ? -1000 : 1000;  // beyond int: held at a bound below
    return v;
}

void StartPoint::reset() {
    if (std::optional<int> now = monitor_.readLoad()) monitor_.setStartLoad(*now);
    restTimer_.reset();
    restAlarm_.setPassedMinutes(0);
    history_.clear();
    emit historyTextCleared();
    emit startPointSet();
}

std::optional<QString> StartPoint::moveTo(const QString& entry) {
    const std::optional<int> v = leadingNumber(entry);
    if (!v) return QStringLiteral("'%1' is not a valid integer value").arg(entry);
    monitor_.setStartEntry(*v, entry);
    restTimer_.reset();
    restAlarm_.setPassedMinutes(0);
    emit startPointSet();
    monitor_.tick();
    return std::nullopt;
}

}  // namespace ostra

// The start point the figures are measured from: set afresh from the load
// now ("Refresh Start Res", a software test) or moved to an entry chosen in
// the history.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace ostra {

class Monitor;
class ResList;
class RestAlarm;
class RestTimer;

class StartPoint : public QObject {
    Q_OBJECT
public:
    StartPoint(Monitor& monitor, ResList& history, RestTimer& restTimer, RestAlarm& restAlarm,
               QObject* parent = nullptr);

    // The start load from a fresh reading, the rest timer's count and the
    // passed minutes back to 0, the history emptied.
    void reset();
    // The start load from the number an entry begins with (held within
    // 0..100), shown as the whole entry; the rest timer's count and the
    // passed minutes back to 0; one tick at once. Nothing changes and the
    // error text is returned when the entry does not begin with a number.
    std::optional<QString> moveTo(const QString& entry);

    // The whole number at the start of a text, as the history entries and
    // the "%d %" form give it.
    static std::optional<int> leadingNumber(const QString& text);

signals:
    // The history box's edit text is emptied.
    void historyTextCleared();
    // The start point was set afresh or moved.
    void startPointSet();

private:
    Monitor& monitor_;
    ResList& history_;
    RestTimer& restTimer_;
    RestAlarm& restAlarm_;
};

}  // namespace ostra

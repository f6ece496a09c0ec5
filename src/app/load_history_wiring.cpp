#include "app/load_history_wiring.h"

#include "loadhistory/load_recorder.h"
#include "monitor/monitor.h"
#include "monitor/start_point.h"
#include "monitor/warning.h"

namespace ostra {

using loadhistory::LoadRecorder;

void connectLoadRecorder(loadhistory::LoadRecorder& recorder, Monitor& monitor, StartPoint& startPoint,
                         Warning& warning) {
    QObject::connect(&monitor, &Monitor::sampled, &recorder, &LoadRecorder::record);
    QObject::connect(&monitor, &Monitor::idleTick, &recorder, &LoadRecorder::tickIdle);
    // Set afresh at each showing and by a reset; a reset also announces
    // itself below, and the two in one second count once.
    QObject::connect(&monitor, &Monitor::startPointSetAfresh, &recorder, &LoadRecorder::markStartPoint);
    QObject::connect(&startPoint, &StartPoint::startPointSet, &recorder, &LoadRecorder::markStartPoint);
    // Before the window, whose modal showing returns only once it has closed.
    QObject::connect(&monitor, &Monitor::limitWarning, &recorder, &LoadRecorder::limitWarning);
    QObject::connect(&warning, &Warning::shownChanged, &recorder, [&recorder](bool shown) {
        if (!shown) recorder.warningClosed();
    });
}

}  // namespace ostra

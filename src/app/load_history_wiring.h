// What the load history hears of the rest of the program: the monitor's
// samples and idle ticks, every fresh start point (each showing of the main
// window, "Refresh Start Res", the software test's reset) and every move of
// it, the load and rise warnings and the warning window's closing. The
// warning window's "OK" reaches LoadRecorder::acknowledge() from the
// command that handles it.
#pragma once

namespace ostra {
class Monitor;
class StartPoint;
class Warning;
}  // namespace ostra

namespace ostra::loadhistory {
class LoadRecorder;
}

namespace ostra {

void connectLoadRecorder(loadhistory::LoadRecorder& recorder, Monitor& monitor, StartPoint& startPoint,
                         Warning& warning);

}  // namespace ostra

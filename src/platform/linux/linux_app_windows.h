// Application windows and the desktop's own programs on X11 (or XWayland),
// through a connection of its own to the display opened for each call, and
// the session bus.
#pragma once

#include "platform/app_windows.h"

namespace ostra {

class LinuxAppWindows : public AppWindows {
public:
    bool hasWindow(const std::vector<int>& pids) override;
    int closeWindows(const std::vector<int>& pids) override;
};

class LinuxDesktopPeers : public DesktopPeers {
public:
    DesktopKeepers keepers() override;
};

}  // namespace ostra

// The top-level windows of the user's applications on this display, and
// the programs that hold the desktop together (the display server, the
// window manager, the tray and panel, the session bus, the sound server).
#pragma once

#include <vector>

namespace ostra {

class AppWindows {
public:
    virtual ~AppWindows() = default;
    // True when a top-level window of the display belongs (by _NET_WM_PID)
    // to one of the processes.
    virtual bool hasWindow(const std::vector<int>& pids) = 0;
    // Asks each top-level window of those processes to close as its own
    // close button would; the number of windows asked.
    virtual int closeWindows(const std::vector<int>& pids) = 0;
};

// The PIDs of the desktop's own programs, 0 where unknown or absent.
struct DesktopKeepers {
    int displayServer = 0;
    int windowManager = 0;
    std::vector<int> trays;  // owners of the tray selections and of the StatusNotifier watcher
    int sessionBus = 0;
    int soundServer = 0;
    int sessionLeader = 0;
    bool operator==(const DesktopKeepers&) const = default;
};

class DesktopPeers {
public:
    virtual ~DesktopPeers() = default;
    // Asked of the display and the session bus at each call (the Linux
    // one), from any thread.
    virtual DesktopKeepers keepers() = 0;
};

}  // namespace ostra

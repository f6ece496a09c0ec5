// The processes never offered to pause, close or end, each with the reason
// the user is shown: this program and its helpers, other users' processes,
// PID 1, the session leader, the display server, the window manager, the
// tray and panel, the session bus, systemd and the sound server.
#pragma once

#include "act/target.h"
#include "platform/app_windows.h"
#include "platform/process_control.h"

#include <QString>

namespace ostra::act {

inline const char* const kOwnReason = "Not offered: this is Ostra itself.";
inline const char* const kHelperReason = "Not offered: this is a helper of Ostra.";
inline const char* const kOtherUserReason = "Not offered: it runs as another user.";
inline const char* const kInitReason = "Not offered: this is the system's first process.";
inline const char* const kSessionLeaderReason =
    "Not offered: this is the session leader; ending it ends the session.";
inline const char* const kDisplayReason = "Not offered: this is the display server.";
inline const char* const kWindowManagerReason = "Not offered: this is the window manager.";
inline const char* const kTrayReason = "Not offered: this is the panel or the tray.";
inline const char* const kBusReason = "Not offered: this is the session bus.";
inline const char* const kSystemdReason = "Not offered: this is systemd, the service manager.";
inline const char* const kSoundReason = "Not offered: this is the sound server.";
inline const char* const kEndedReason = "It has ended.";

// Why one process must not be acted on; empty when it may be.
QString protectionReason(const ProcessFacts& process, const DesktopKeepers& keepers, int ownPid, unsigned ownUid);

class ProtectedList {
public:
    ProtectedList(ProcessControl& control, DesktopPeers& peers) : control_(control), peers_(peers) {}
    // Why the application must not be acted on (the first of its processes
    // that must not be); empty when it may be. An application none of whose
    // processes runs any more has ended.
    QString reason(const Target& target);

private:
    ProcessControl& control_;
    DesktopPeers& peers_;
};

}  // namespace ostra::act

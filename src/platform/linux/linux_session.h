// The desktop session through systemd-logind on the system D-Bus.
#pragma once

#include "platform/session.h"

namespace ostra {

class LinuxSession : public Session {
public:
    static constexpr int kDefaultCallTimeoutMs = 3000;

    // Each D-Bus call waits at most `callTimeoutMs`, so a service that
    // never answers holds the program up for a bounded time.
    explicit LinuxSession(int callTimeoutMs = kDefaultCallTimeoutMs);

    // Asks logind for the session of this process (GetSessionByPID); where
    // the process belongs to no session (NoSessionForPID: an application
    // scope of the user's systemd), for the user's graphical session: the
    // user object's "Display" (GetUser of our uid), else the session
    // "auto". Then terminates that session. False, without a message, when
    // there is no system bus, no logind, no such session, or an error or no
    // answer.
    bool forceLogOff() override;

    // "/qzx.a", or the path in OSTRA_PROTECTION_MARKER when that is set and
    // not empty (for tests).
    QString protectionMarkerPath() override;

private:
    const int callTimeoutMs_;
};

}  // namespace ostra

// The desktop session: the forced log-off and the marker that forbids it.
#pragma once

#include <QString>

namespace ostra {

class Session {
public:
    virtual ~Session() = default;
    // Asks the session manager to end the user's session by force. Fails
    // silently (false) where no session manager answers.
    virtual bool forceLogOff() = 0;
    // Path of the marker file whose presence blocks the memory refresh.
    virtual QString protectionMarkerPath() = 0;
};

}  // namespace ostra

// Opening things the way the desktop does.
#pragma once

#include <QString>

namespace ostra {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a file, a program or a web address without waiting: a desktop
    // entry is launched as the desktop launches it, a program is started,
    // anything else opens in its default application. Never through a
    // shell command line. False when nothing could be started.
    virtual bool open(const QString& pathOrUrl) = 0;
};

}  // namespace ostra

// Opening files, programs and web addresses the way the Linux desktop does:
// desktop entries and default applications through GIO, programs started
// directly. Nothing goes through a shell command line and nothing waits for
// what it started.
#pragma once

#include "platform/shell.h"

namespace ostra {

class LinuxShell : public Shell {
public:
    // A web or other address (http, https, mailto, ...) goes to the handler
    // of its scheme. A local path (absolute, or relative to the current
    // folder; file:// addresses too) is resolved through its links and then:
    // a ".desktop" entry is launched (a link entry opens its address); an
    // executable program (execute bit and an ELF or "#!" start) is started
    // without arguments in the current folder, detached; anything else
    // (documents, folders, files that merely carry the execute bit, as on
    // vfat) opens in its default application.
    bool open(const QString& pathOrUrl) override;

private:
    bool openAddress(const QString& address);
    bool openLocal(const QString& path);
    bool launchDesktopEntry(const QString& path);
    bool startProgram(const QString& path);
    bool openWithDefaultApplication(const QString& path);
};

}  // namespace ostra

// The Linux backend: one object per platform role, built once by the
// program's entry and handed out as Services.
#pragma once

#include "platform/services.h"

#include <memory>

namespace ostra {

class LinuxBackend {
public:
    LinuxBackend();
    ~LinuxBackend();
    LinuxBackend(const LinuxBackend&) = delete;
    LinuxBackend& operator=(const LinuxBackend&) = delete;

    Services& services() { return *services_; }

private:
    std::unique_ptr<LoadSource> load_;
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<Files> files_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Processes> processes_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Downloads> downloads_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<WindowServices> windows_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<ProcessMemory> processMemory_;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<PressureSource> pressure_;
    std::unique_ptr<DesktopEntries> desktopEntries_;
    std::unique_ptr<ProcessControl> processControl_;
    std::unique_ptr<UserUnits> userUnits_;
    std::unique_ptr<AppWindows> appWindows_;
    std::unique_ptr<DesktopPeers> desktopPeers_;
    std::unique_ptr<KernelCounters> kernelCounters_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<CollectorFolder> collectorFolder_;
    std::unique_ptr<Services> services_;
};

}  // namespace ostra

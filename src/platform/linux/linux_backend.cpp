#include "platform/linux/linux_backend.h"

#include "platform/linux/linux_app_windows.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_collector_folder.h"
#include "platform/linux/linux_desktop_entries.h"
#include "platform/linux/linux_desktop_notifier.h"
#include "platform/linux/linux_dialogs.h"
#include "platform/linux/linux_downloads_module.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_journal.h"
#include "platform/linux/linux_kernel_counters.h"
#include "platform/linux/linux_load_source.h"
#include "platform/linux/linux_pressure_source.h"
#include "platform/linux/linux_process_control.h"
#include "platform/linux/linux_process_memory.h"
#include "platform/linux/linux_processes.h"
#include "platform/linux/linux_session.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/linux_sound_player.h"
#include "platform/linux/linux_user_units.h"
#include "platform/linux/linux_window_services.h"

namespace ostra {

LinuxBackend::LinuxBackend()
    : load_(std::make_unique<LinuxLoadSource>()),
      sound_(std::make_unique<LinuxSoundPlayer>()),
      files_(std::make_unique<LinuxFiles>()),
      shell_(std::make_unique<LinuxShell>()),
      processes_(std::make_unique<LinuxProcesses>()),
      session_(std::make_unique<LinuxSession>()),
      downloads_(std::make_unique<LinuxDownloadsModule>()),
      clock_(std::make_unique<LinuxClock>()),
      windows_(std::make_unique<LinuxWindowServices>()),
      dialogs_(std::make_unique<LinuxDialogs>()),
      processMemory_(std::make_unique<LinuxProcessMemory>()),
      notifier_(std::make_unique<LinuxDesktopNotifier>()),
      pressure_(std::make_unique<LinuxPressureSource>()),
      desktopEntries_(std::make_unique<LinuxDesktopEntries>()),
      processControl_(std::make_unique<LinuxProcessControl>()),
      userUnits_(std::make_unique<LinuxUserUnits>()),
      appWindows_(std::make_unique<LinuxAppWindows>()),
      desktopPeers_(std::make_unique<LinuxDesktopPeers>()),
      kernelCounters_(std::make_unique<LinuxKernelCounters>()),
      journal_(std::make_unique<LinuxJournal>()),
      collectorFolder_(std::make_unique<LinuxCollectorFolder>()),
      services_(std::make_unique<Services>(Services{
          *load_,           *sound_,          *files_,          *shell_,     *processes_,     *session_,
          *downloads_,      *clock_,          *windows_,        *dialogs_,   *processMemory_, *notifier_,
          *pressure_,       *desktopEntries_, *processControl_, *userUnits_, *appWindows_,    *desktopPeers_,
          *kernelCounters_, *journal_,        *collectorFolder_})) {}

LinuxBackend::~LinuxBackend() = default;

}  // namespace ostra

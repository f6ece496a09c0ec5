// The platform roles, one reference each, as the composition root hands
// them out. A backend (Linux, or the fakes of the tests) provides them all.
#pragma once

#include "platform/app_windows.h"
#include "platform/clock.h"
#include "platform/collector_folder.h"
#include "platform/desktop_entries.h"
#include "platform/desktop_notifier.h"
#include "platform/dialogs.h"
#include "platform/downloads.h"
#include "platform/files.h"
#include "platform/journal.h"
#include "platform/kernel_counters.h"
#include "platform/load_source.h"
#include "platform/pressure_source.h"
#include "platform/process_control.h"
#include "platform/process_memory.h"
#include "platform/processes.h"
#include "platform/session.h"
#include "platform/shell.h"
#include "platform/sound_player.h"
#include "platform/user_units.h"
#include "platform/window_services.h"

namespace ostra {

struct Services {
    LoadSource& load;
    SoundPlayer& sound;
    Files& files;
    Shell& shell;
    Processes& processes;
    Session& session;
    Downloads& downloads;
    Clock& clock;
    WindowServices& windows;
    Dialogs& dialogs;
    ProcessMemory& processMemory;
    DesktopNotifier& notifier;
    PressureSource& pressure;
    DesktopEntries& desktopEntries;
    ProcessControl& processControl;
    UserUnits& userUnits;
    AppWindows& appWindows;
    DesktopPeers& desktopPeers;
    KernelCounters& kernelCounters;
    Journal& journal;
    CollectorFolder& collectorFolder;
};

}  // namespace ostra

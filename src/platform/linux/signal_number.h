// The POSIX number of each signal the process control sends.
#pragma once

#include "platform/process_control.h"

#include <csignal>

namespace ostra {

constexpr int signalNumber(ProcessSignal sig) {
    switch (sig) {
    case ProcessSignal::Stop:
        return SIGSTOP;
    case ProcessSignal::Continue:
        return SIGCONT;
    case ProcessSignal::Terminate:
        return SIGTERM;
    case ProcessSignal::Kill:
        return SIGKILL;
    }
    return 0;
}

}  // namespace ostra

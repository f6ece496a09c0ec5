// Reading /proc/pressure/memory: its "some" line's avg10.
#pragma once

#include "platform/proc_file.h"

#include <cstddef>

namespace ostra::pressure {

// The avg10 figure of the "some" line of a pressure file's text, in
// hundredths of a percent (0..10000); -1 when there is none.
int someAvg10(const char* text, std::size_t size);

// A kept descriptor on a pressure file, read from its start at every call.
class Reader {
public:
    explicit Reader(const char* path = "/proc/pressure/memory") : file_(path) {}
    // The figure now, or -1 when the file is missing or unreadable.
    int read();

private:
    ProcFile file_;
};

}  // namespace ostra::pressure

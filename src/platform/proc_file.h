// A file of /proc kept open and read from its start at each call. It is
// opened non-blocking and kept only when it is a regular file, as /proc
// presents it: nothing else put in its place can stall the caller.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace ostra {

class ProcFile {
public:
    explicit ProcFile(const char* path);
    ~ProcFile();
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;

    // Up to `size` bytes from the start into `buf`: how many, or -1 when
    // the file is missing or unreadable.
    long read(char* buf, std::size_t size) const;

private:
    int fd_ = -1;
};

// What follows `key` on the first line of `text` that starts with it (up to
// the line's end); nothing when no line does.
std::optional<std::string_view> lineAfter(std::string_view text, std::string_view key);

}  // namespace ostra

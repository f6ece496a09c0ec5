#include "platform/proc_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostra {

ProcFile::ProcFile(const char* path) {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
}

ProcFile::~ProcFile() {
    if (fd_ >= 0) ::close(fd_);
}

long ProcFile::read(char* buf, std::size_t size) const {
    if (fd_ < 0) return -1;
    return static_cast<long>(::pread(fd_, buf, size, 0));
}

std::optional<std::string_view> lineAfter(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        if (line.size() > key.size() && line.substr(0, key.size()) == key) return line.substr(key.size());
        if (eol == std::string_view::npos) break;
        text.remove_prefix(eol + 1);
    }
    return std::nullopt;
}

}  // namespace ostra

#include "platform/linux/linux_journal.h"

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ostra {

LinuxJournal::~LinuxJournal() {
    if (fd_ >= 0) ::close(fd_);
}

bool LinuxJournal::send(const JournalFields& fields) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= static_cast<int>(sizeof(address.sun_path))) return false;
    std::memcpy(address.sun_path, path_.constData(), static_cast<std::size_t>(path_.size()));
    if (fd_ < 0) fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    const QByteArray data = journal::datagram(fields);
    const ssize_t n =
        ::sendto(fd_, data.constData(), static_cast<std::size_t>(data.size()), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return n == data.size();
}

}  // namespace ostra

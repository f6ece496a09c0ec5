// The journal over its native datagram socket. The socket is opened at the
// first entry and is non-blocking: a journal that is slow to read, whose
// queue is full, loses the entry instead of holding up the program (the
// library's sd_journal_sendv() uses a blocking socket and would wait);
// without a journal the send fails at once.
#pragma once

#include "platform/journal.h"

#include <QByteArray>

namespace ostra {

inline const char* const kJournalSocket = "/run/systemd/journal/socket";

class LinuxJournal : public Journal {
public:
    explicit LinuxJournal(QByteArray socketPath = kJournalSocket) : path_(std::move(socketPath)) {}
    ~LinuxJournal() override;
    LinuxJournal(const LinuxJournal&) = delete;
    LinuxJournal& operator=(const LinuxJournal&) = delete;

    bool send(const JournalFields& fields) override;

private:
    QByteArray path_;
    int fd_ = -1;
};

}  // namespace ostra

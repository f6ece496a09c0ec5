// The collector's folder on Linux: the folder opened once per write, the
// name looked at without following a link, a temporary file created with
// O_EXCL | O_NOFOLLOW and mode 0644 (the collector runs as another user),
// renamed over the name. No sync: the file is rewritten while the program
// runs and removed when it ends, and a sync every 15 s would wake the disk.
#pragma once

#include "platform/collector_folder.h"

namespace ostra {

class LinuxCollectorFolder : public CollectorFolder {
public:
    std::optional<QString> publish(const QString& folder, const QString& name, const QByteArray& data) override;
    void withdraw(const QString& folder, const QString& name) override;
    QString userName() override;
};

}  // namespace ostra

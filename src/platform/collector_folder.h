// A folder that another program collects files from (node_exporter's
// textfile collector): one file of ours replaced whole, atomically, and
// removed again. Nothing is ever written through whatever else stands at
// the file's name (a link, a FIFO, a folder), and nothing there is opened,
// so a FIFO cannot make the program wait.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ostra {

class CollectorFolder {
public:
    virtual ~CollectorFolder() = default;
    // Writes `data` as folder/name: a new temporary file in the folder
    // (created exclusively, never through a link; a name the collector
    // does not read), written whole, then renamed over the name. Nothing
    // when it was replaced, else why not; the file that stood there is
    // then left as it was.
    virtual std::optional<QString> publish(const QString& folder, const QString& name, const QByteArray& data) = 0;
    // Removes folder/name when a regular file stands there.
    virtual void withdraw(const QString& folder, const QString& name) = 0;
    // The login name of the user the program runs as.
    virtual QString userName() = 0;
};

}  // namespace ostra

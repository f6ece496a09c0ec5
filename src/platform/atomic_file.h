// Replacing a file whole: a temporary file beside it, written, flushed and
// synced, then renamed over it, and the rename made durable. A crash or a
// full disk leaves the old file as it was; a failure is reported.
#pragma once

#include <QByteArray>
#include <QString>

namespace ostra {

bool replaceFile(const QString& path, const QByteArray& data);
// The same, with the system's reason for a failure in `reason`.
bool replaceFile(const QString& path, const QByteArray& data, QString& reason);

}  // namespace ostra

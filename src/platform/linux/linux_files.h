// Files and folders on Linux: plain POSIX calls, with every read and
// replacement limited to regular files.
#pragma once

#include "platform/files.h"

namespace ostra {

class LinuxFiles : public Files {
public:
    // Largest file copyFile() copies; a longer source fails the copy rather
    // than leaving a cut-off target.
    static constexpr qint64 kMaxCopyBytes = qint64(256) * 1024 * 1024;

    bool createDirectory(const QString& path) override;
    bool fileExists(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) override;
    bool replaceFile(const QString& path, const QByteArray& data) override;
    std::optional<QString> replaceFileError(const QString& path, const QByteArray& data) override;
    std::optional<QStringList> listFolder(const QString& folder) override;
    bool setCurrentFolder(const QString& folder) override;
};

}  // namespace ostra

// "tevo.ini" as one sequence sees it: read once, read and changed in
// memory with the Windows INI rules of the profile module, and written
// back once, atomically. A kill at any moment leaves the whole old file or
// the whole new one; a failed write leaves the old one.
#pragma once

#include "settings/settings_keys.h"

#include <QByteArray>
#include <QString>

namespace ostra {

class Files;

inline const char* const kSettingsFileName = "tevo.ini";

class SettingsFile {
public:
    // Far beyond any settings file the program writes.
    static constexpr qint64 kDefaultMaxBytes = 256 * 1024 * 1024;

    SettingsFile(Files& files, QString path, qint64 maxBytes = kDefaultMaxBytes);

    // Reads the file. A missing file, or anything but a regular file in
    // its place, reads as empty. A file longer than `maxBytes` is read that
    // far and is then never replaced (commit() fails and leaves it alone).
    void load();

    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, "0x" hex, a sign; the default on garbage.
    int readInt(const QString& section, const QString& key, int def) const;
    // Any non-zero number is on.
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Changes the text in memory; false when the value cannot be stored.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInt(const QString& section, const QString& key, int value);
    // Written as "1" or "0".
    bool writeBool(const QString& section, const QString& key, bool value);

    // The same for a key of the table (settings_keys.h), by its type.
    QString read(const SettingsKey& k, const QString& def) const;
    int read(const SettingsKey& k, int def) const;
    bool read(const SettingsKey& k, bool def) const;
    bool write(const SettingsKey& k, int value);
    bool write(const SettingsKey& k, bool value);
    bool write(const SettingsKey& k, const QString& value);

    // Replaces the file with the text in memory (nothing when unchanged).
    // False when it could not, or when the file was not read whole; the
    // old file is then as it was.
    bool commit();

    QString path() const { return path_; }

private:
    Files& files_;
    QString path_;
    const qint64 maxBytes_;
    QByteArray loaded_;
    QByteArray content_;
    bool readable_ = true;
    bool refused_ = false;
};

}  // namespace ostra

#include "settings/settings_file.h"

#include "platform/files.h"
#include "settings/profile.h"

namespace ostra {

namespace {
// Far beyond any settings file the program writes; a larger one is read
// this far.
constexpr qint64 kMaxBytes = 256 * 1024 * 1024;
}  // namespace

SettingsFile::SettingsFile(Files& files, QString path) : files_(files), path_(std::move(path)) {}

void SettingsFile::load() {
    std::optional<QByteArray> bytes = files_.readFile(path_, kMaxBytes);
    // A regular file that cannot be read is never replaced.
    readable_ = bytes.has_value() || !files_.fileExists(path_);
    loaded_ = bytes.value_or(QByteArray());
    content_ = loaded_;
    refused_ = false;
}

QString SettingsFile::readString(const QString& section, const QString& key, const QString& def) const {
    bool found = false;
    const QString v = profile::getValue(content_, section, key, &found);
    return found ? v : def;
}

int SettingsFile::readInt(const QString& section, const QString& key, int def) const {
    bool found = false;
    const QString v = profile::getValue(content_, section, key, &found);
    return found ? profile::parseInt(v, def) : def;
}

bool SettingsFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInt(section, key, def ? 1 : 0) != 0;
}

bool SettingsFile::writeString(const QString& section, const QString& key, const QString& value) {
    if (profile::setValueIn(content_, section, key, value)) return true;
    refused_ = true;
    return false;
}

bool SettingsFile::writeInt(const QString& section, const QString& key, int value) {
    return writeString(section, key, QString::number(value));
}

bool SettingsFile::writeBool(const QString& section, const QString& key, bool value) {
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsFile::commit() {
    if (!readable_ || refused_) return false;
    if (content_ == loaded_ && files_.fileExists(path_)) return true;
    if (!files_.replaceFile(path_, content_)) return false;
    loaded_ = content_;
    return true;
}

}  // namespace ostra

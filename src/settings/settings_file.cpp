#include "settings/settings_file.h"

#include "platform/files.h"
#include "settings/profile.h"

#include <algorithm>

namespace ostra {

SettingsFile::SettingsFile(Files& files, QString path, qint64 maxBytes)
    : files_(files), path_(std::move(path)), maxBytes_(std::max<qint64>(maxBytes, 0)) {}

void SettingsFile::load() {
    // One byte more than the limit tells a file of exactly the limit from a
    // longer one.
    std::optional<QByteArray> bytes = files_.readFile(path_, maxBytes_ + 1);
    // A regular file that cannot be read, or not whole, is never replaced:
    // writing back what was read would cut it. Its values are read as far
    // as the limit.
    const bool whole = !bytes || bytes->size() <= maxBytes_;
    if (!whole) bytes->truncate(qsizetype(maxBytes_));
    readable_ = whole && (bytes.has_value() || !files_.fileExists(path_));
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

QString SettingsFile::read(const SettingsKey& k, const QString& def) const {
    Q_ASSERT(k.type == SettingType::Text);
    return readString(k.sectionName(), k.keyName(), def);
}

int SettingsFile::read(const SettingsKey& k, int def) const {
    Q_ASSERT(k.type == SettingType::Integer);
    return readInt(k.sectionName(), k.keyName(), def);
}

bool SettingsFile::read(const SettingsKey& k, bool def) const {
    Q_ASSERT(k.type == SettingType::Boolean);
    return readBool(k.sectionName(), k.keyName(), def);
}

bool SettingsFile::write(const SettingsKey& k, int value) {
    Q_ASSERT(k.type == SettingType::Integer && k.use != SettingsKey::Use::ReadOnly);
    return writeInt(k.sectionName(), k.keyName(), value);
}

bool SettingsFile::write(const SettingsKey& k, const QString& value) {
    Q_ASSERT(k.type == SettingType::Text && k.use != SettingsKey::Use::ReadOnly);
    return writeString(k.sectionName(), k.keyName(), value);
}

bool SettingsFile::write(const SettingsKey& k, bool value) {
    Q_ASSERT(k.type == SettingType::Boolean && k.use != SettingsKey::Use::ReadOnly);
    return writeBool(k.sectionName(), k.keyName(), value);
}

bool SettingsFile::commit() {
    if (!readable_ || refused_) return false;
    if (content_ == loaded_ && files_.fileExists(path_)) return true;
    if (!files_.replaceFile(path_, content_)) return false;
    loaded_ = content_;
    return true;
}

}  // namespace ostra

#include "settings/settings.h"

#include "settings/profile.h"

namespace ostra::settings {

int readInt(Platform& p, const QString& ini, const char* section, const char* key, int def) {
    QString text = p.profileString(ini, QLatin1String(section), QLatin1String(key), QString());
    return profile::parseInt(text, def);
}

bool readBool(Platform& p, const QString& ini, const char* section, const char* key, bool def) {
    return readInt(p, ini, section, key, def ? 1 : 0) != 0;
}

bool writeInt(Platform& p, const QString& ini, const char* section, const char* key, int value) {
    return p.writeProfileString(ini, QLatin1String(section), QLatin1String(key), QString::number(value));
}

bool writeBool(Platform& p, const QString& ini, const char* section, const char* key, bool value) {
    return p.writeProfileString(ini, QLatin1String(section), QLatin1String(key),
                                value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace ostra::settings

// Typed access to "tevo.ini" through the platform's private-profile
// operations: integers in decimal ("0x" hex, negatives, defaults on
// garbage), booleans as "1"/"0" read back as any non-zero value.
#pragma once

#include "platform/platform.h"

namespace ostra::settings {

inline const char* const kFileName = "tevo.ini";

int readInt(Platform& p, const QString& ini, const char* section, const char* key, int def);
bool readBool(Platform& p, const QString& ini, const char* section, const char* key, bool def);
bool writeInt(Platform& p, const QString& ini, const char* section, const char* key, int value);
bool writeBool(Platform& p, const QString& ini, const char* section, const char* key, bool value);

}  // namespace ostra::settings

// Files the program ships beside its executable (the cue player, the
// download module).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace ostra {

inline QString besideExecutable(const char* name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

}  // namespace ostra

#include "platform/linux/start_environment.h"

#include <cstring>

extern char** environ;

namespace ostra {

namespace {
QList<std::pair<QByteArray, std::optional<QByteArray>>>& registry() {
    static QList<std::pair<QByteArray, std::optional<QByteArray>>> changed;
    return changed;
}
}  // namespace

void setOwnVariable(const char* name, const QByteArray& value) {
    auto& changed = registry();
    bool known = false;
    for (const auto& entry : changed) known = known || entry.first == name;
    if (!known) {
        std::optional<QByteArray> atStart;
        if (qEnvironmentVariableIsSet(name)) atStart = qgetenv(name);
        changed.append({QByteArray(name), atStart});
    }
    qputenv(name, value);
}

QList<std::pair<QByteArray, std::optional<QByteArray>>> ownVariables() { return registry(); }

QProcessEnvironment startEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : registry()) {
        const QString key = QString::fromLocal8Bit(name);
        if (value)
            env.insert(key, QString::fromLocal8Bit(*value));
        else
            env.remove(key);
    }
    return env;
}

std::vector<QByteArray> startEnvironmentEntries() {
    std::vector<QByteArray> entries;
    const auto& changed = registry();
    // The process's own entries byte for byte (they need not be text), but
    // for its own variables.
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const QByteArray name(*e, eq ? eq - *e : qsizetype(std::strlen(*e)));
        bool own = false;
        for (const auto& entry : changed) own = own || entry.first == name;
        if (!own) entries.emplace_back(*e);
    }
    for (const auto& [name, value] : changed)
        if (value) entries.push_back(name + '=' + *value);
    return entries;
}

}  // namespace ostra

// The environment the program was started with. The program sets a few
// variables for itself only (its session bus address, Qt's platform); the
// programs it starts get the environment as it was given to Ostra.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>

#include <optional>
#include <utility>
#include <vector>

namespace ostra {

// Sets NAME to VALUE in this process, keeping the value it had at start
// (or that it was unset). Call before any thread is started.
void setOwnVariable(const char* name, const QByteArray& value);

// The variables changed through setOwnVariable, each with its value at
// start (nullopt: it was unset then).
QList<std::pair<QByteArray, std::optional<QByteArray>>> ownVariables();

// The environment for a started program: this process's own, with the
// start values of its own variables put back.
QProcessEnvironment startEnvironment();

// The same as "NAME=value" entries, for posix_spawn.
std::vector<QByteArray> startEnvironmentEntries();

}  // namespace ostra

#include "platform/process_memory.h"

#include <cctype>

namespace ostra {

namespace {

// `base` is `stem` followed by nothing but digits and dots ("python3.11").
bool versionOf(const QByteArray& base, const char* stem) {
    if (!base.startsWith(stem)) return false;
    for (qsizetype i = qsizetype(qstrlen(stem)); i < base.size(); ++i)
        if (!std::isdigit(uchar(base[i])) && base[i] != '.') return false;
    return true;
}

}  // namespace

bool isInterpreter(const QByteArray& base) {
    return versionOf(base, "python") || versionOf(base, "perl") || versionOf(base, "ruby") || base == "node" ||
           base == "nodejs" || base == "java" || base == "sh" || base == "dash" || base == "bash";
}

}  // namespace ostra

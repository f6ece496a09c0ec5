#include "platform/journal.h"

namespace ostra::journal {

QByteArray datagram(const JournalFields& fields) {
    QByteArray out;
    for (const auto& [name, value] : fields) {
        out += name;
        if (!value.contains('\n')) {
            out += '=';
            out += value;
            out += '\n';
            continue;
        }
        out += '\n';
        quint64 n = static_cast<quint64>(value.size());
        for (int i = 0; i < 8; ++i, n >>= 8) out += static_cast<char>(n & 0xff);
        out += value;
        out += '\n';
    }
    return out;
}

}  // namespace ostra::journal

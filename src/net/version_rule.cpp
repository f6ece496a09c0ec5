#include "net/version_rule.h"

#include <QRegularExpression>
#include <QUrl>

namespace ostra {

VersionVerdict judgeVersionFile(const QByteArray& file, const QString& runningVersion) {
    if (file.isEmpty()) return VersionVerdict::Silent;
    qsizetype end = 0;
    while (end < file.size() && file.at(end) != '\n' && file.at(end) != '\r') ++end;
    const QByteArray firstLine = file.left(end);
    return firstLine.contains(runningVersion.toUtf8()) ? VersionVerdict::UpToDate : VersionVerdict::OfferUpgrade;
}

UpdateAddresses updateAddresses(const QString& host) {
    // A name or IPv4 address of letters, digits, dots and hyphens, or an IPv6
    // address in brackets; then an optional port.
    static const QRegularExpression shape(QStringLiteral(
        R"(\A(?:[A-Za-z0-9](?:[A-Za-z0-9.-]*[A-Za-z0-9])?|\[[0-9A-Fa-f:.]+\])(?::([0-9]{1,5}))?\z)"));
    const QRegularExpressionMatch m = shape.match(host);
    if (!m.hasMatch()) return {};
    if (m.hasCaptured(1)) {
        const int port = m.captured(1).toInt();
        if (port < 1 || port > 65535) return {};
    }
    const QString base = QStringLiteral("http://") + host;
    const QUrl check(base, QUrl::StrictMode);
    if (!check.isValid() || check.host().isEmpty()) return {};
    return {base + QStringLiteral("/vornalk/file/t_amrel_v.txt"), base + QStringLiteral("/vornalk/tamrel_up.exe")};
}

}  // namespace ostra

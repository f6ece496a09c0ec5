// The rule of the upgrade check: what the downloaded version file says about
// the running version, and where the server keeps its two files.
#pragma once

#include <QByteArray>
#include <QString>

namespace ostra {

// The maker's update server, used when the configuration names no other.
inline constexpr char kDefaultUpdateHost[] = "update.ostra.example.org";

enum class VersionVerdict {
    UpToDate,      // the first line names the running version
    OfferUpgrade,  // the first line names something else (also an empty line)
    Silent,        // the file holds no line at all
};

// Only the first line counts (lines end at CR LF, LF or CR). The running
// version is up to date when its text occurs anywhere in that line, exactly
// and case-sensitively: "1.03", "version 1.03" and "1.03 beta" all do.
VersionVerdict judgeVersionFile(const QByteArray& file, const QString& runningVersion);

struct UpdateAddresses {
    QString versionFile;  // http://HOST/vornalk/file/t_amrel_v.txt
    QString installer;    // http://HOST/vornalk/tamrel_up.exe
    bool isValid() const { return !versionFile.isEmpty(); }
};

// Builds both addresses on `host`: a host name, an IPv4 address or a
// bracketed IPv6 address, optionally followed by ":port". Anything else
// (a scheme, a path, a user, blanks, an empty text, a bad port) gives two
// empty addresses.
UpdateAddresses updateAddresses(const QString& host = QString::fromLatin1(kDefaultUpdateHost));

}  // namespace ostra

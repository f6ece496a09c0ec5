// The first-line rule of the version file and the two server addresses.
#include "net/version_rule.h"

#include <gtest/gtest.h>

using ostra::judgeVersionFile;
using ostra::updateAddresses;
using ostra::VersionVerdict;

TEST(VersionRule, OnlyTheFirstLineDecides) {
    const QString running = QStringLiteral("1.03");
    const struct {
        const char* file;
        VersionVerdict verdict;
    } cases[] = {
        {"1.03", VersionVerdict::UpToDate},
        {"1.03\r\n1.04\r\n", VersionVerdict::UpToDate},
        {"version 1.03\n1.04\n", VersionVerdict::UpToDate},
        {"1.03 beta\r1.04\r", VersionVerdict::UpToDate},
        {"1.04\r\n1.03\r\n", VersionVerdict::OfferUpgrade},
        {"1.04\r1.03", VersionVerdict::OfferUpgrade},  // CR alone ends a line
        {"1.3\n", VersionVerdict::OfferUpgrade},
        {"V1.03", VersionVerdict::UpToDate},
        {"1,03", VersionVerdict::OfferUpgrade},
        {"\r\n1.03\r\n", VersionVerdict::OfferUpgrade},  // an empty first line
        {"\n", VersionVerdict::OfferUpgrade},
        {"\r", VersionVerdict::OfferUpgrade},
        {"", VersionVerdict::Silent},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(judgeVersionFile(QByteArray(c.file), running), c.verdict) << '"' << c.file << '"';
    }
    // Case-sensitive: a version with letters must match exactly.
    EXPECT_EQ(judgeVersionFile("1.03B", QStringLiteral("1.03b")), VersionVerdict::OfferUpgrade);
    EXPECT_EQ(judgeVersionFile("1.03b", QStringLiteral("1.03b")), VersionVerdict::UpToDate);
}

TEST(VersionRule, AddressesAcceptOnlyAHostAndAPort) {
    const auto def = updateAddresses();
    EXPECT_EQ(def.versionFile, QStringLiteral("http://update.ostra.example.org/vornalk/file/t_amrel_v.txt"));
    EXPECT_EQ(def.installer, QStringLiteral("http://update.ostra.example.org/vornalk/tamrel_up.exe"));

    const auto local = updateAddresses(QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(local.versionFile, QStringLiteral("http://127.0.0.1:8080/vornalk/file/t_amrel_v.txt"));
    EXPECT_EQ(local.installer, QStringLiteral("http://127.0.0.1:8080/vornalk/tamrel_up.exe"));
    EXPECT_TRUE(updateAddresses(QStringLiteral("[::1]:99")).isValid());
    EXPECT_TRUE(updateAddresses(QStringLiteral("Mirror-2.example.net")).isValid());

    for (const char* bad : {"", "http://host", "host/path", "user@host", "host name", "host:", "host:0",
                            "host:65536", "host:8080:1", "host?x", "host#x", "-host", "[::1",
                            "ho\nst", "host\\x"}) {
        const auto a = updateAddresses(QString::fromLatin1(bad));
        EXPECT_FALSE(a.isValid()) << '"' << bad << '"';
        EXPECT_TRUE(a.versionFile.isEmpty());
        EXPECT_TRUE(a.installer.isEmpty());
    }
}

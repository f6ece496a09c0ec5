// The memory load computed from /proc/meminfo text, and the reader that
// takes a fresh reading from the file every time.
#include "platform/meminfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

using ostra::meminfo::loadFromText;
using ostra::meminfo::Reader;

namespace {

int load(const std::string& text) { return loadFromText(text.data(), text.size()); }

std::string meminfo(long long total, long long available) {
    return "MemTotal:       " + std::to_string(total) + " kB\n" +
           "MemFree:          123456 kB\n" + "MemAvailable:   " + std::to_string(available) +
           " kB\n" + "Buffers:          111111 kB\n" + "Cached:          2222222 kB\n" +
           "SwapCached:            0 kB\n";
}

}  // namespace

TEST(MemInfo, RealFileText) {
    // A snapshot of a real machine: 100 * (16318412 - 11453820) / 16318412 = 29.81
    const std::string text =
        "MemTotal:       16318412 kB\n"
        "MemFree:         9876532 kB\n"
        "MemAvailable:   11453820 kB\n"
        "Buffers:          312688 kB\n"
        "Cached:          1734904 kB\n"
        "SwapCached:            0 kB\n"
        "Active:          3476004 kB\n"
        "Inactive:        2149620 kB\n"
        "Active(anon):    2861724 kB\n"
        "SwapTotal:       2097148 kB\n"
        "SwapFree:        2097148 kB\n"
        "Shmem:            180228 kB\n"
        "HugePages_Total:       0\n"
        "Hugepagesize:       2048 kB\n"
        "DirectMap1G:     8388608 kB\n";
    EXPECT_EQ(load(text), 30);
    // Without the final line break the last line still counts.
    EXPECT_EQ(load(text.substr(0, text.size() - 1)), 30);
    // Field order does not matter.
    EXPECT_EQ(load("MemAvailable:   11453820 kB\nMemTotal:       16318412 kB\n"), 30);
}

TEST(MemInfo, RoundsToNearestHalfUp) {
    EXPECT_EQ(load(meminfo(200, 101)), 50);   // 49.5
    EXPECT_EQ(load(meminfo(1000, 506)), 49);  // 49.4
    EXPECT_EQ(load(meminfo(1000, 504)), 50);  // 49.6
    EXPECT_EQ(load(meminfo(200, 199)), 1);    // 0.5
    EXPECT_EQ(load(meminfo(1000, 996)), 0);   // 0.4
    EXPECT_EQ(load(meminfo(200, 1)), 100);    // 99.5
    EXPECT_EQ(load(meminfo(1000, 6)), 99);    // 99.4
    // Large machines do not overflow the arithmetic: 4 TiB in kB.
    EXPECT_EQ(load(meminfo(4294967296LL, 2147483648LL)), 50);
}

TEST(MemInfo, ClampsToPercentRange) {
    EXPECT_EQ(load(meminfo(1000, 1000)), 0);
    EXPECT_EQ(load(meminfo(1000, 5000)), 0);  // more available than total
    EXPECT_EQ(load(meminfo(1000, 0)), 100);
}

TEST(MemInfo, FallsBackToFreeBuffersCachedWithoutMemAvailable) {
    // 1000 - (100 + 50 + 250) = 600 used.
    EXPECT_EQ(load("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n"
                   "SwapCached: 999 kB\n"),
              60);
    // The fallback also clamps.
    EXPECT_EQ(load("MemTotal: 1000 kB\nMemFree: 900 kB\nBuffers: 50 kB\nCached: 250 kB\n"), 0);
    // Missing Buffers and Cached count as none.
    EXPECT_EQ(load("MemTotal: 1000 kB\nMemFree: 250 kB\n"), 75);
    // MemAvailable wins over the fallback when present.
    EXPECT_EQ(load("MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 900 kB\nCached: 0 kB\n"), 10);
}

TEST(MemInfo, UnusableTextGivesMinusOne) {
    EXPECT_EQ(load(""), -1);
    EXPECT_EQ(load("garbage\n\n\x01\x02 nonsense"), -1);
    EXPECT_EQ(load("MemFree: 100 kB\nMemAvailable: 50 kB\n"), -1);  // no MemTotal
    EXPECT_EQ(load("MemTotal: 0 kB\nMemAvailable: 0 kB\n"), -1);
    EXPECT_EQ(load("MemTotal: kB\nMemAvailable: 10 kB\n"), -1);
    EXPECT_EQ(load("MemTotal: 1000 kB\n"), -1);  // nothing to say what is free
    // A name that merely ends in a wanted one is not that field.
    EXPECT_EQ(load("XMemTotal: 1000 kB\nMemAvailable: 10 kB\n"), -1);
    EXPECT_EQ(loadFromText(nullptr, 0), -1);
}

TEST(MemInfoReader, ReadsTheFileAfreshEachTime) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("meminfo"));
    auto write = [&](const std::string& text) {
        // Rewritten in place, as /proc rewrites its text: the reader's kept
        // descriptor must see the new content.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
        f.write(text.data(), static_cast<qint64>(text.size()));
    };
    write(meminfo(1000, 800));
    const QByteArray p = QFile::encodeName(path);
    Reader reader(p.constData());
    EXPECT_EQ(reader.read(), 20);
    write(meminfo(1000, 300));
    EXPECT_EQ(reader.read(), 70);
    write(meminfo(1000, 300) + std::string(3000, '#'));  // a longer text
    EXPECT_EQ(reader.read(), 70);
    write("MemTotal: 1000 kB\n");  // shorter than before: no stale tail
    EXPECT_EQ(reader.read(), -1);
    write(meminfo(1000, 0));
    EXPECT_EQ(reader.read(), 100);
}

TEST(MemInfoReader, MissingFileIsMinusOneUntilItAppears) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("later"));
    const QByteArray p = QFile::encodeName(path);
    Reader reader(p.constData());
    EXPECT_EQ(reader.read(), -1);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(meminfo(1000, 550).c_str());
    f.close();
    EXPECT_EQ(reader.read(), 45);
}

TEST(MemInfoReader, RealProcMeminfo) {
    Reader reader;
    int v = reader.read();
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 100);
}

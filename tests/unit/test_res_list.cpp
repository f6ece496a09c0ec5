// The RES list: entry text, the thinning rule and the file format.
#include "monitor/res_list.h"
#include "platform/linux/linux_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using ostra::ResList;

namespace {

// A list of n entries whose levels are their positions, so that an entry
// tells where it came from.
void fill(ResList& l, int n) {
    for (int i = 0; i < n; ++i) l.append(QStringLiteral("%1%").arg(i % 101), QStringLiteral("00:00:00"));
}

ostra::LinuxFiles files;

int level(const QString& entry) { return entry.section(QLatin1Char('%'), 0, 0).toInt(); }

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

}  // namespace

TEST(ResList, EntryFormatCountsPositionFromZero) {
    ResList l;
    l.append(QStringLiteral("47%"), QStringLiteral("00:10:15"));
    l.append(QStringLiteral("5%"), QStringLiteral("01:02:03"));
    l.append(QStringLiteral("100%"), QStringLiteral("23:59:59"));
    ASSERT_EQ(l.count(), 3);
    EXPECT_EQ(l.entries()[0], QStringLiteral("47% [0] DATETIME:00:10:15"));
    EXPECT_EQ(l.entries()[1], QStringLiteral("5% [1] DATETIME:01:02:03"));
    EXPECT_EQ(l.entries()[2], QStringLiteral("100% [2] DATETIME:23:59:59"));

    ResList twelve;
    fill(twelve, 12);
    twelve.append(QStringLiteral("47%"), QStringLiteral("00:10:15"));
    EXPECT_EQ(twelve.entries().last(), QStringLiteral("47% [12] DATETIME:00:10:15"));
}

TEST(ResList, ThinsOnlyAboveOneHundredKeepingOddPositions) {
    ResList l;
    fill(l, 100);
    l.append(QStringLiteral("7%"), QStringLiteral("00:00:01"));
    ASSERT_EQ(l.count(), 101);  // exactly 100 before: no thinning
    EXPECT_EQ(l.entries()[100], QStringLiteral("7% [100] DATETIME:00:00:01"));

    l.append(QStringLiteral("9%"), QStringLiteral("00:00:02"));
    ASSERT_EQ(l.count(), 51);  // 101 thinned to 50, then the new one
    // Survivors are the old positions 1, 3, ... 99, in order.
    for (int i = 0; i < 50; ++i) EXPECT_EQ(level(l.entries()[i]), 2 * i + 1) << i;
    EXPECT_EQ(l.entries()[50], QStringLiteral("9% [50] DATETIME:00:00:02"));
    // Older entries keep the numbers they were written with.
    EXPECT_TRUE(l.entries()[0].startsWith(QStringLiteral("1% [1] ")));
}

TEST(ResList, LongLoadedListShrinksByFiftyOneEachAppend) {
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines << QStringLiteral("%1% [%2] DATETIME:00:00:00").arg(i % 101).arg(i);
    ResList l;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("res.list"));
    ASSERT_TRUE(writeAll(path, ResList::serialize(lines)));
    ASSERT_TRUE(l.load(files, path));
    ASSERT_EQ(l.count(), 300);

    l.append(QStringLiteral("1%"), QStringLiteral("00:00:01"));
    ASSERT_EQ(l.count(), 250);
    // Positions 0, 2, ... 100 went; 1, 3, ... 99 and everything from 101 on stayed.
    EXPECT_EQ(l.entries()[0], lines[1]);
    EXPECT_EQ(l.entries()[49], lines[99]);
    EXPECT_EQ(l.entries()[50], lines[101]);
    EXPECT_EQ(l.entries()[248], lines[299]);
    EXPECT_EQ(l.entries()[249], QStringLiteral("1% [249] DATETIME:00:00:01"));

    const int expected[] = {200, 150, 100, 101, 51, 52};
    for (int want : expected) {
        l.append(QStringLiteral("2%"), QStringLiteral("00:00:02"));
        EXPECT_EQ(l.count(), want);
        EXPECT_TRUE(l.entries().last().contains(QStringLiteral("[%1]").arg(want - 1))) << l.entries().last().toStdString();
    }
}

TEST(ResList, ParseAcceptsEveryLineEnding) {
    EXPECT_EQ(ResList::parse(""), QStringList());
    EXPECT_EQ(ResList::parse("a\r\nb\r\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(ResList::parse("a\rb\r"), (QStringList{"a", "b"}));
    EXPECT_EQ(ResList::parse("a\nb\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(ResList::parse("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));  // last line without ending
    EXPECT_EQ(ResList::parse("a\n\rb"), (QStringList{"a", "", "b"}));  // LF then CR: two endings
    EXPECT_EQ(ResList::parse("\r\n"), (QStringList{""}));
    EXPECT_EQ(ResList::parse("a\r\n\r\nb\r\n"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(ResList::parse("47% [0] DATETIME:00:10:15"), (QStringList{"47% [0] DATETIME:00:10:15"}));
}

TEST(ResList, SaveEndsEveryLineWithCrLfAndLoadsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("res.list"));

    ResList l;
    l.append(QStringLiteral("47%"), QStringLiteral("00:10:15"));
    l.append(QStringLiteral("52%"), QStringLiteral("00:11:00"));
    ASSERT_TRUE(l.save(files, path));
    EXPECT_EQ(readAll(path), QByteArray("47% [0] DATETIME:00:10:15\r\n52% [1] DATETIME:00:11:00\r\n"));

    ResList back;
    ASSERT_TRUE(back.load(files, path));
    EXPECT_EQ(back.entries(), l.entries());

    // Saving replaces the file; an empty list is an empty file.
    ResList empty;
    ASSERT_TRUE(empty.save(files, path));
    EXPECT_EQ(readAll(path), QByteArray());
    ASSERT_TRUE(back.load(files, path));
    EXPECT_EQ(back.count(), 0);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("res.list")});
}

TEST(ResList, FileFailuresLeaveTheListAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ResList l;
    fill(l, 3);
    EXPECT_FALSE(l.load(files, dir.filePath(QStringLiteral("missing.list"))));
    EXPECT_EQ(l.count(), 3);
    EXPECT_FALSE(l.save(files, dir.filePath(QStringLiteral("no/such/folder/res.list"))));
    // A folder where the file should be cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("res.list")));
    EXPECT_FALSE(l.save(files, dir.filePath(QStringLiteral("res.list"))));
    EXPECT_EQ(l.count(), 3);
}

TEST(ResList, AHugeOrForeignFileIsReadOnlyAsFarAsTheLimits) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("res.list"));
    // One endless line with NUL bytes, then more than the file limit.
    QByteArray bytes(ResList::kMaxFileBytes + 1024 * 1024, 'x');
    bytes[3] = '\0';
    bytes[600] = '\n';
    ASSERT_TRUE(writeAll(path, bytes));
    ResList l;
    ASSERT_TRUE(l.load(files, path));
    const qsizetype lines = 2;  // the cut line, and everything up to the limit
    ASSERT_EQ(l.count(), lines);
    EXPECT_EQ(l.entries()[0].size(), ResList::kMaxEntryLength);
    EXPECT_EQ(l.entries()[0][3], QLatin1Char(' '));
    EXPECT_EQ(l.entries()[1].size(), ResList::kMaxEntryLength);
    // Long lines of other characters are cut at 256 characters, never
    // inside one: two-byte, three-byte and four-byte ones (UTF-8).
    const QString e2(300, QChar(0xE9));                                         // é
    const QString e3 = QString(255, QLatin1Char('a')) + QChar(0x20AC) + QStringLiteral("bbb");  // €
    const QString e4 = QString(255, QLatin1Char('a')) + QStringLiteral("\U0001F600cc");  // an emoji
    ASSERT_TRUE(writeAll(path, (e2 + QStringLiteral("\n") + e3 + QStringLiteral("\n") + e4).toUtf8()));
    ASSERT_TRUE(l.load(files, path));
    ASSERT_EQ(l.count(), 3);
    EXPECT_EQ(l.entries()[0], e2.left(256));
    EXPECT_EQ(l.entries()[1], e3.left(256));
    EXPECT_EQ(l.entries()[2], e4.left(257));  // the emoji is two UTF-16 units
    for (const QString& e : l.entries()) EXPECT_FALSE(e.contains(QChar(0xFFFD)));
    // 100,000 entries round trip.
    ResList big;
    fill(big, 100);
    QStringList many;
    for (int i = 0; i < 100000; ++i) many << QStringLiteral("%1% [%2] DATETIME:00:00:00").arg(i % 101).arg(i);
    ASSERT_TRUE(writeAll(path, ResList::serialize(many)));
    ASSERT_TRUE(big.load(files, path));
    EXPECT_EQ(big.entries(), many);
}

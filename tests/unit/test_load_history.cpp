// The day of load history: the ring (wrap, the 24-hour limit, gaps, a clock
// set back, events), its file and what a damaged file gives, the CSV text,
// the decimation into pixel columns, the pressure figure, and the recorder
// on the fake platform.
#include "fakes.h"
#include "fakes/fake_platform.h"
#include "loadhistory/csv_export.h"
#include "loadhistory/decimate.h"
#include "loadhistory/history_file.h"
#include "loadhistory/load_recorder.h"
#include "loadhistory/load_ring.h"
#include "app/load_history_wiring.h"
#include "loadhistory/summary.h"
#include "platform/linux/linux_files.h"
#include "monitor/start_point.h"
#include "platform/pressure.h"

#include <QDateTime>
#include <QFile>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <vector>

using namespace ostra;
using namespace ostra::loadhistory;

namespace {

constexpr std::int64_t T0 = 1'800'000'000;

struct Seen {
    std::int64_t t;
    Sample s;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> all(const LoadRing& r) {
    std::vector<Seen> out;
    if (!r.empty()) r.forEach(r.oldestTime(), r.newestTime(), [&](std::int64_t t, const Sample& s) { out.push_back({t, s}); });
    return out;
}

Sample at(int load, int pressure = -1, unsigned events = 0) { return Sample{load, pressure, events}; }

}  // namespace

TEST(LoadRing, PacksEveryFieldAndKnowsAnEmptySlot) {
    for (const Sample& s : {at(0, 0), at(100, 10000, kAllEvents), at(47, -1, WarningShown), at(5, 123, StartPointSet)})
        EXPECT_EQ(LoadRing::unpack(LoadRing::pack(s)), s);
    EXPECT_TRUE(LoadRing::isEmpty(LoadRing::kEmpty));
    EXPECT_FALSE(LoadRing::isEmpty(LoadRing::pack(at(100, 10000, kAllEvents))));
    // Out of range figures are held at the bounds.
    EXPECT_EQ(LoadRing::unpack(LoadRing::pack(at(130, 20000))), at(100, 10000));
}

TEST(LoadRing, WrapsAfterADayAndStaysUnder400KB) {
    LoadRing r;
    const int extra = 1000;
    for (int i = 0; i < LoadRing::kCapacity + extra; ++i) r.record(T0 + i, at(i % 101, i % 10001));
    EXPECT_EQ(r.span(), LoadRing::kCapacity);
    EXPECT_EQ(r.newestTime(), T0 + LoadRing::kCapacity + extra - 1);
    EXPECT_EQ(r.oldestTime(), T0 + extra);
    EXPECT_FALSE(r.at(T0 + extra - 1));  // dropped: older than a day
    ASSERT_TRUE(r.at(T0 + extra));
    EXPECT_EQ(r.at(T0 + extra)->load, extra % 101);
    EXPECT_EQ(r.at(r.newestTime())->load, (LoadRing::kCapacity + extra - 1) % 101);
    EXPECT_LE(r.bytes(), 400u * 1000u);
    EXPECT_EQ(all(r).size(), std::size_t(LoadRing::kCapacity));
    // In order, one a second, across the wrap.
    const auto v = all(r);
    for (std::size_t i = 1; i < v.size(); ++i) ASSERT_EQ(v[i].t, v[i - 1].t + 1);
}

TEST(LoadRing, KeepsExactlyTwentyFourHours) {
    LoadRing r;
    r.record(T0, at(10));
    r.record(T0 + 86399, at(20));  // 24 h less a second later: both kept
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10)}, {T0 + 86399, at(20)}}));
    r.record(T0 + 86400, at(30));  // the first is now a day old
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 + 86399, at(20)}, {T0 + 86400, at(30)}}));
    r.record(T0 + 3 * 86400, at(40));  // days later: only the new one
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 + 3 * 86400, at(40)}}));
    EXPECT_LE(r.bytes(), 400u * 1000u);
}

TEST(LoadRing, LeavesGapsAndNeverMovesASampleWhenTheClockGoesBack) {
    LoadRing r;
    r.record(T0, at(10));
    r.record(T0 + 5, at(15));
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10)}, {T0 + 5, at(15)}}));
    for (int i = 1; i < 5; ++i) EXPECT_FALSE(r.at(T0 + i));
    // The same second again: the figures replaced, the events kept.
    r.record(T0 + 5, at(16, -1, WarningShown));
    r.record(T0 + 5, at(17));
    EXPECT_EQ(*r.at(T0 + 5), at(17, -1, WarningShown));
    for (int i = 6; i < 20; ++i) r.record(T0 + i, at(i));
    // Set back to T0 + 8: what was stamped from T0 + 8 on lies in the new
    // time's future and goes; every other sample stays at its own second.
    r.record(T0 + 8, at(80));
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10)}, {T0 + 5, at(17, -1, WarningShown)}, {T0 + 6, at(6)},
                                         {T0 + 7, at(7)}, {T0 + 8, at(80)}}));
    EXPECT_EQ(r.newestTime(), T0 + 8);
    r.record(T0 + 9, at(90));
    EXPECT_EQ(r.at(T0 + 9)->load, 90);
    EXPECT_TRUE(r.addEvents(Acknowledged));
    EXPECT_EQ(r.at(r.newestTime())->events, unsigned(Acknowledged));
    // Set back to the oldest second or before it: nothing older is left.
    r.record(T0 - 3600, at(1));
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 - 3600, at(1)}}));

    // The same in a ring that has wrapped: an hour back keeps the day
    // before it, each sample at its second, and fills up again.
    LoadRing day;
    const std::int64_t end = T0 + LoadRing::kCapacity + 500;
    for (std::int64_t t = T0; t < end; ++t) day.record(t, at(int(t % 101)));
    const std::int64_t back = end - 1 - 3600;
    day.record(back, at(100, 1));
    EXPECT_EQ(day.newestTime(), back);
    EXPECT_EQ(day.oldestTime(), end - LoadRing::kCapacity);
    EXPECT_EQ(day.span(), LoadRing::kCapacity - 3600);
    std::int64_t expect = day.oldestTime();
    day.forEach(day.oldestTime(), back - 1, [&](std::int64_t t, const Sample& s) {
        ASSERT_EQ(t, expect++);
        ASSERT_EQ(s.load, int(t % 101));
    });
    EXPECT_EQ(expect, back);
    for (std::int64_t t = back + 1; t <= back + 4000; ++t) day.record(t, at(int(t % 101)));
    EXPECT_EQ(day.span(), LoadRing::kCapacity);
    EXPECT_EQ(day.at(back)->load, 100);
    EXPECT_EQ(day.at(back + 4000)->load, int((back + 4000) % 101));
    EXPECT_EQ(day.at(day.oldestTime())->load, int(day.oldestTime() % 101));
    EXPECT_LE(day.bytes(), 400u * 1000u);
}

// ----------------------------------------------------------------- the file

TEST(LoadHistoryFile, RoundTripKeepsSamplesGapsPressureAndEvents) {
    LoadRing r;
    r.record(T0, at(47, 12));
    r.record(T0 + 1, at(48, -1, StartPointSet));
    r.record(T0 + 10, at(100, 10000, WarningShown | WarningOn));
    r.record(T0 + 11, at(0, 0, Acknowledged));
    const QByteArray text = serialize(r);
    EXPECT_EQ(text, QByteArray("ostra load history 1\n@1800000000\n47 12\n48 - s\n@1800000010\n100 10000 wW\n0 0 a\n"));
    LoadRing back;
    EXPECT_EQ(parse(text, T0 + 20, back), 4);
    EXPECT_EQ(all(back), all(r));
}

TEST(LoadHistoryFile, KeepsWhatParsesOfDamagedText) {
    const std::int64_t now = T0 + 100;
    LoadRing r;
    // Truncated inside the last line: "4" of "47" is not taken for 4.
    EXPECT_EQ(parse("@1800000000\n10 5\n11 -\n4", now, r), 2);
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10, 5)}, {T0 + 1, at(11)}}));
    // A bad line takes its second; figures out of range, junk letters,
    // a bad time and lines without a time are left out.
    r.clear();
    EXPECT_EQ(parse("12 3\n@1800000000\n10 5\nxx\n12 3\n101 0\n50 10001\n50 1 q\n50 1 \n@18x\n13 1\n"
                    "@1800000020\r\n14 -\r\n",
                    now, r),
              3);
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10, 5)}, {T0 + 2, at(12, 3)}, {T0 + 20, at(14)}}));
    // From the future and from more than a day ago: left out.
    r.clear();
    EXPECT_EQ(parse("@1799900000\n1 1\n@1800000099\n2 2\n3 3\n", now, r), 2);
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 + 99, at(2, 2)}, {T0 + 100, at(3, 3)}}));
    // Out of order: a run that goes back in time is left out where it
    // overlaps.
    r.clear();
    EXPECT_EQ(parse("@1800000050\n1 1\n2 2\n@1800000040\n3 3\n@1800000051\n4 4\n5 5\n", now, r), 3);
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 + 50, at(1, 1)}, {T0 + 51, at(2, 2)}, {T0 + 52, at(5, 5)}}));
}

TEST(LoadHistoryFile, GarbageNeverHangsOrCrashes) {
    std::mt19937 rng(23);
    const char alphabet[] = "0123456789 -@\n\r swaWq\0\xff";
    for (int round = 0; round < 200; ++round) {
        QByteArray junk;
        const int n = static_cast<int>(rng() % 4000);
        for (int i = 0; i < n; ++i) junk.append(alphabet[rng() % (sizeof alphabet - 1)]);
        LoadRing r;
        const int kept = parse(junk, T0 + 86400, r);
        // Whatever was kept is in order and inside the day.
        const auto v = all(r);
        EXPECT_EQ(int(v.size()), kept);
        for (std::size_t i = 1; i < v.size(); ++i) ASSERT_LT(v[i - 1].t, v[i].t);
        for (const Seen& s : v) ASSERT_TRUE(s.t <= T0 + 86400 && s.s.load <= 100 && s.s.pressure <= 10000);
    }
}

// The file through the real Files role: a FIFO, a huge file, a file cut by
// a crash during the write (the old or the new whole) and a full day.
TEST(LoadHistoryFile, RealFilesFifoHugeAndAFullDay) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kHistoryFileName));
    LinuxFiles files;
    FakePlatform fp;
    fp.epoch = T0 + 86400;
    LoadRecorder rec({fp, fp, files, fp.fakeDialogs, path});

    ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(rec.load(), 0);  // never blocks on a FIFO
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(rec.save());  // nor writes through it
    ::unlink(path.toLocal8Bit().constData());

    // 1 GB (sparse): at most 4 MiB read, what parses kept.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("@1800086390\n5 5\n6 6\n");
        ASSERT_TRUE(f.resize(qint64(1) << 30));
    }
    clock.restart();
    EXPECT_EQ(rec.load(), 2);
    EXPECT_LT(clock.elapsed(), 2000);

    // A full day written and read back whole.
    LoadRecorder day({fp, fp, files, fp.fakeDialogs, path});
    for (int i = 0; i < LoadRing::kCapacity; ++i) {
        fp.pressures = {i % 10001};
        fp.epoch = T0 + i;
        day.record(i % 101);
    }
    ASSERT_TRUE(day.save());
    fp.epoch = T0 + LoadRing::kCapacity;  // a second later
    const std::vector<Seen> before = all(day.ring());
    EXPECT_EQ(rec.load(), LoadRing::kCapacity - 1);  // the oldest is a day old now
    const std::vector<Seen> after = all(rec.ring());
    EXPECT_EQ(after, std::vector<Seen>(before.begin() + 1, before.end()));
    EXPECT_LE(QFileInfo(path).size(), kMaxFileBytes);
}

// A run killed while it writes the file leaves the file of the run before
// or its own, whole: never a cut or a mix of the two.
TEST(LoadHistoryFile, KilledWhileWritingLeavesTheOldFileOrTheNewOneWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kHistoryFileName));
    LinuxFiles files;
    FakePlatform fp;
    // Two full days that differ in every sample.
    LoadRecorder a({fp, fp, files, fp.fakeDialogs, path});
    LoadRecorder b({fp, fp, files, fp.fakeDialogs, path});
    for (int i = 0; i < LoadRing::kCapacity; ++i) {
        fp.epoch = T0 + i;
        a.record(i % 101);
        b.record(100 - i % 101);
    }
    const QByteArray textA = serialize(a.ring()), textB = serialize(b.ring());
    ASSERT_NE(textA, textB);
    ASSERT_TRUE(a.save());
    // The writer below writes the two days in turn, as a save does; the
    // kills fall anywhere in two rounds of that, however fast this
    // machine and this build are.
    QElapsedTimer pair;
    pair.start();
    ASSERT_TRUE(files.replaceFile(path, textB));
    ASSERT_TRUE(files.replaceFile(path, textA));
    const long span = std::max<long>(2000, 2 * static_cast<long>(pair.nsecsElapsed() / 1000));

    std::mt19937 random(23);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                files.replaceFile(path, textB);
                files.replaceFile(path, textA);
            }
        }
        ::usleep(static_cast<useconds_t>(static_cast<long>(random() % static_cast<unsigned long>(span))));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray got = f.readAll();
        ASSERT_TRUE(got == textA || got == textB) << "round " << round << ": " << got.size() << " bytes";
        ++(got == textA ? sawA : sawB);
    }
    // The kills fell at different points of the writer's loop, which
    // spends nearly all its time inside a write (700 KB, synced).
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    fp.epoch = T0 + LoadRing::kCapacity - 1;
    LoadRecorder next({fp, fp, files, fp.fakeDialogs, path});
    EXPECT_EQ(next.load(), LoadRing::kCapacity);
}

// ------------------------------------------------------------------- CSV

TEST(LoadHistoryCsv, HeaderRowsTimesAndEmptyFields) {
    LoadRing r;
    r.record(T0, at(47, 12, StartPointSet));
    r.record(T0 + 1, at(48, -1));
    r.record(T0 + 3, at(90, 1234, WarningShown | WarningOn));
    r.record(T0 + 4, at(60, 5, Acknowledged | WarningShown));
    const QList<QByteArray> lines = csv(r, T0, T0 + 4).split('\n');
    ASSERT_EQ(lines.size(), 6);  // header, four rows, nothing after the last CRLF
    EXPECT_EQ(lines[0], QByteArray("time,load_percent,pressure_some_avg10,event\r"));
    EXPECT_EQ(lines[5], QByteArray());
    const QStringList rest{QStringLiteral(",47,0.12,start point\r"), QStringLiteral(",48,,\r"),
                           QStringLiteral(",90,12.34,warning\r"), QStringLiteral(",60,0.05,warning;acknowledged\r")};
    const std::int64_t times[] = {T0, T0 + 1, T0 + 3, T0 + 4};
    const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    for (int i = 0; i < 4; ++i) {
        const QString line = QString::fromLatin1(lines[i + 1]);
        const QString time = line.section(QLatin1Char(','), 0, 0);
        EXPECT_TRUE(iso.match(time).hasMatch()) << time.toStdString();
        EXPECT_EQ(QDateTime::fromString(time, Qt::ISODate).toSecsSinceEpoch(), times[i]);
        EXPECT_EQ(line.mid(time.size()), rest[i]);
    }
    // Only the span asked for.
    EXPECT_EQ(csv(r, T0 + 2, T0 + 3).count("\r\n"), 2);
    EXPECT_EQ(percentHundredths(0), QStringLiteral("0.00"));
    EXPECT_EQ(percentHundredths(10000), QStringLiteral("100.00"));
}

// ------------------------------------------------------------ decimation

TEST(LoadHistoryDecimate, MinMaxFirstLastPerColumnAndGaps) {
    LoadRing r;
    // 600 seconds into 10 columns of 60: column 3 empty, column 5 climbs.
    for (int i = 0; i < 600; ++i) {
        if (i / 60 == 3) continue;
        const int load = i / 60 == 5 ? 20 + (i - 300) : 50;
        r.record(T0 + i, at(load, i / 60 == 5 ? -1 : 100 * (i / 60), i == 130 ? StartPointSet : 0u));
    }
    const std::vector<Column> c = decimate(r, T0, T0 + 599, 10);
    ASSERT_EQ(c.size(), 10u);
    EXPECT_FALSE(c[3].hasLoad);
    EXPECT_TRUE(c[2].hasLoad);
    EXPECT_EQ(c[2].events, unsigned(StartPointSet));
    EXPECT_EQ(c[1].events, 0u);
    EXPECT_EQ(c[5].load.lo, 20);
    EXPECT_EQ(c[5].load.hi, 79);
    EXPECT_EQ(c[5].load.first, 20);
    EXPECT_EQ(c[5].load.last, 79);
    EXPECT_FALSE(c[5].hasPressure);
    EXPECT_TRUE(c[6].hasPressure);
    EXPECT_EQ(c[6].pressure.lo, 600);
    // A column per second and more columns than seconds.
    EXPECT_EQ(decimate(r, T0 + 298, T0 + 301, 4)[3].load.first, 21);
    const std::vector<Column> wide = decimate(r, T0 + 300, T0 + 301, 8);
    // Every column shows a second: the one it lies within, the first four
    // columns second 300 (load 20), the last four second 301 (load 21).
    int filled = 0;
    for (const Column& col : wide) filled += col.hasLoad;
    EXPECT_EQ(filled, 8);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(wide[static_cast<std::size_t>(k)].load.last, k < 4 ? 20 : 21) << k;
    int covered = 0, empty = 0;
    for (const Column& col : wide) {
        covered += col.seconds;
        empty += col.seconds == 0;
    }
    EXPECT_EQ(covered, 2);  // every second in exactly one column
    EXPECT_EQ(empty, 6);
    EXPECT_EQ(c[4].seconds, 60);
    // A whole day into 700 columns: the ends land in the end columns.
    LoadRing day;
    for (int i = 0; i < 86400; ++i) day.record(T0 + i, at(i == 0 ? 1 : (i == 86399 ? 99 : 50)));
    const std::vector<Column> d = decimate(day, T0, T0 + 86399, 700);
    EXPECT_EQ(d.front().load.first, 1);
    EXPECT_EQ(d.back().load.last, 99);
    for (const Column& col : d) ASSERT_TRUE(col.hasLoad);
    EXPECT_EQ(columnOf(T0 + 86399, T0, T0 + 86399, 700), 699);
    EXPECT_EQ(firstSecondOf(699, T0, T0 + 86399, 700), T0 + (699 * 86400 + 699) / 700);
}

// --------------------------------------------------------------- pressure

TEST(Pressure, SomeAvg10InHundredths) {
    const auto of = [](const char* s) { return pressure::someAvg10(s, std::strlen(s)); };
    EXPECT_EQ(of("some avg10=1.23 avg60=0.50 avg300=0.10 total=1234\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"),
              123);
    EXPECT_EQ(of("some avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"), 0);
    EXPECT_EQ(of("some avg10=100.00 avg60=0.00\n"), 10000);
    EXPECT_EQ(of("some avg10=7.5 avg60=0.00\n"), 750);
    EXPECT_EQ(of("full avg10=3.00 avg60=0.00\n"), -1);
    EXPECT_EQ(of("some avg10=x"), -1);
    EXPECT_EQ(of(""), -1);
    pressure::Reader missing("/nonexistent/pressure");
    EXPECT_EQ(missing.read(), -1);
    // On a kernel with the file the real figure reads.
    if (::access("/proc/pressure/memory", R_OK) == 0) {
        pressure::Reader real;
        const int v = real.read();
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 10000);
    }
}

// --------------------------------------------------------------- recorder

TEST(LoadRecorder, SamplesEventsWarningSpanSaveLoadAndExport) {
    FakePlatform fp;
    const QString path = QStringLiteral("/nonexistent/load-history.txt");
    LoadRecorder rec({fp, fp, fp, fp.fakeDialogs, path});
    int recorded = 0;
    QObject::connect(&rec, &LoadRecorder::recorded, [&] { ++recorded; });
    fp.epoch = T0;
    fp.pressures = {12, 30, 31, 32, FakePressureSource::kNone};
    rec.record(40);
    EXPECT_EQ(fp.pressureReads, 1);
    // An event in the same second goes to that sample; a later one waits
    // for the next tick.
    rec.markStartPoint();
    fp.epoch = T0 + 1;
    rec.limitWarning();
    rec.limitWarning();  // the same warning still standing: one event
    rec.record(41);
    fp.epoch = T0 + 2;
    rec.record(42);
    fp.epoch = T0 + 3;
    rec.acknowledge();
    rec.record(43);
    fp.epoch = T0 + 4;
    rec.record(44);
    // The pressure is read once in two seconds: the figure of T0 stands
    // for T0 + 1 too.
    EXPECT_EQ(fp.pressureReads, 3);
    fp.epoch = T0 + 10;
    rec.record(45);
    EXPECT_EQ(fp.pressureReads, 4);
    EXPECT_EQ(recorded, 6);
    EXPECT_EQ(all(rec.ring()), (std::vector<Seen>{{T0, at(40, 12, StartPointSet)},
                                                  {T0 + 1, at(41, 12, WarningShown | WarningOn)},
                                                  {T0 + 2, at(42, 30, WarningOn)},
                                                  {T0 + 3, at(43, 30, Acknowledged)},
                                                  {T0 + 4, at(44, 31)},
                                                  {T0 + 10, at(45, 32)}}));
    EXPECT_EQ(summary(rec.ring(), T0, T0 + 599, QStringLiteral("10 minutes")),
              QStringLiteral("Last 10 minutes: load lowest 40 %, highest 45 %, latest 45 %; memory pressure lowest "
                             "0.12 %, highest 0.32 %, latest 0.32 %; 1 start point, 1 warning."));
    EXPECT_EQ(summary(rec.ring(), T0 + 100, T0 + 200, QStringLiteral("hour")),
              QStringLiteral("Last hour: no samples."));

    // Saved, then read by a new run ten seconds later.
    ASSERT_TRUE(rec.save());
    ASSERT_TRUE(fp.memory.contains(path));
    fp.epoch = T0 + 14;
    LoadRecorder next({fp, fp, fp, fp.fakeDialogs, path});
    EXPECT_EQ(next.load(), 6);
    next.record(50);
    EXPECT_EQ(all(next.ring()).back(), (Seen{T0 + 14, at(50, -1)}));
    EXPECT_FALSE(next.ring().at(T0 + 9));  // the gap between the runs

    // Export: cancelled writes nothing; a chosen file gets the CSV.
    EXPECT_FALSE(next.exportCsv(T0, T0 + 14));
    ASSERT_EQ(fp.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(fp.fakeDialogs.shown[0].kind, QStringLiteral("save"));
    EXPECT_EQ(fp.fakeDialogs.shown[0].text, QStringLiteral("Export CSV"));
    EXPECT_EQ(fp.fakeDialogs.lastFilter, QStringLiteral("CSV files|*.csv"));
    const QString out = QStringLiteral("/nonexistent/out.csv");
    fp.fakeDialogs.fileAnswers.push_back(out);
    EXPECT_TRUE(next.exportCsv(T0 + 2, T0 + 14));
    EXPECT_EQ(fp.memory.value(out), csv(next.ring(), T0 + 2, T0 + 14));
    EXPECT_EQ(fp.memory.value(out).count("\r\n"), 1 + 5);
}

// ------------------------------------------------- the recorder in the program

namespace {

// The monitor, the start point and the warning as the program builds them,
// with the recorder wired to them the program's way. second() is one
// wake-up: the clock a second on and every wall-clock timer that runs
// fires, the monitor's, the rest timer's and the recorder's own alike.
struct Recording {
    Recording() {
        rig.state.mainShown = false;  // not shown yet
        connectLoadRecorder(rec, rig.monitor, startPoint, rig.warningState);
        rec.start();
    }
    void second() {
        rig.platform.advanceSeconds(1);
        const std::vector<FakeTimer*> timers = rig.platform.timers;
        for (FakeTimer* t : timers)
            if (t->wallClock()) t->fire();
    }
    int running() const {
        int n = 0;
        for (FakeTimer* t : rig.platform.timers) n += t->wallClock() && t->interval() > 0;
        return n;
    }
    std::int64_t now() const { return rig.platform.epoch; }
    Sample sampleNow() const { return rec.ring().at(now()).value_or(Sample{-1, -1, 0}); }
    // The OK of the warning window, as the program's command runs it.
    void ok() {
        rec.acknowledge();
        rig.monitor.setExceedLimitState(true);
        rig.warning.setShown(false);
    }

    test::Rig rig;
    StartPoint startPoint{rig.monitor, rig.history, rig.restTimer, rig.restAlarm};
    LoadRecorder rec{{rig.platform, rig.platform, rig.platform, rig.platform.fakeDialogs,
                      QStringLiteral("/prog/load-history.txt"), &rig.platform}};
};

int pointEvents(const Sample& s) { return std::popcount(s.events & kPointEvents); }

}  // namespace

// A sample every second from start to end, whatever the main window does,
// on the wake-up the program has anyway.
TEST(LoadRecorderInProgram, RecordsEverySecondShownHiddenOrBeforeTheMonitorRuns) {
    Recording r;
    const std::int64_t first = r.now() + 1;
    // Before the main window is first shown (a question at start-up can
    // hold it), the recorder reads the load itself.
    r.rig.platform.loads = {31};
    r.second();
    EXPECT_EQ(r.sampleNow().load, 31);
    EXPECT_EQ(r.running(), 1);
    // Shown: the monitor's tick brings NowLoad and the recorder's own
    // timer stops (the rest timer and the monitor share one wake-up).
    r.rig.state.mainShown = true;
    r.rig.showAt(40);
    r.second();
    EXPECT_EQ(r.sampleNow().load, 40);
    EXPECT_EQ(r.running(), 2);
    // Hidden: the tick does nothing (no figures, no hint), the recorder
    // reads the load on its wake-up.
    r.rig.state.mainShown = false;
    const int figures = r.rig.view.figuresChangedCount;
    const qsizetype hints = r.rig.view.hints.size();
    for (int load : {55, 70, 90, 60}) {
        r.rig.platform.loads = {load};
        r.second();
        EXPECT_EQ(r.sampleNow().load, load);
    }
    EXPECT_EQ(r.rig.view.figuresChangedCount, figures);
    EXPECT_EQ(r.rig.view.hints.size(), hints);
    EXPECT_EQ(r.running(), 2);
    EXPECT_EQ(r.rig.warning.modalCount, 0);  // no warning while hidden, as before
    // Shown again (minimized counts as shown).
    r.rig.state.mainShown = true;
    r.rig.showAt(45);
    r.second();
    EXPECT_EQ(r.sampleNow().load, 45);
    // No gap anywhere.
    for (std::int64_t t = first; t <= r.now(); ++t) EXPECT_TRUE(r.rec.ring().at(t)) << t - first;
}

// Each second's pressure is one the kernel showed at most two seconds
// before it: read every two seconds, hidden or shown.
TEST(LoadRecorderInProgram, ReadsThePressureEveryTwoSeconds) {
    Recording r;
    r.rig.state.mainShown = true;
    r.rig.showAt(40);
    std::vector<std::pair<std::int64_t, int>> reads{{r.now(), -1}};  // when, what: the start point's sample
    ASSERT_EQ(r.rig.platform.pressureReads, 1);
    for (int i = 0; i < 20; ++i) {
        if (i == 10) r.rig.state.mainShown = false;
        r.rig.platform.pressures = {100 + i};
        const int before = r.rig.platform.pressureReads;
        r.second();
        if (r.rig.platform.pressureReads != before) reads.push_back({r.now(), 100 + i});
        ASSERT_FALSE(reads.empty());
        EXPECT_LE(r.now() - reads.back().first, 1);
        EXPECT_EQ(r.sampleNow().pressure, reads.back().second);
    }
    EXPECT_EQ(reads.size(), 11u);
}

// The clock set back an hour: every sample stays at the second it was taken
// at, on the plot's ring, in the export and in the file; what was stamped
// in the new time's future goes.
TEST(LoadRecorderInProgram, ClockSetBackNeverMovesASample) {
    Recording r;
    r.rig.state.mainShown = true;
    r.rig.showAt(10);
    const std::int64_t t0 = r.now() + 1;
    for (int i = 0; i < 7200; ++i) {
        r.rig.platform.loads = {10 + i % 50};
        r.second();
    }
    r.rig.platform.epoch -= 3600;  // the wake-up below brings the second on
    r.rig.platform.loads = {99};
    r.second();
    const std::int64_t back = r.now();
    EXPECT_EQ(back, t0 + 3600);
    EXPECT_EQ(r.rec.ring().newestTime(), back);
    EXPECT_EQ(r.sampleNow().load, 99);
    for (std::int64_t t = t0; t < back; ++t) ASSERT_EQ(r.rec.ring().at(t)->load, 10 + int(t - t0) % 50) << t - t0;
    // The export: each row at its own second.
    const QList<QByteArray> rows = csv(r.rec.ring(), back - 3, back).split('\n');
    ASSERT_EQ(rows.size(), 6);
    for (int i = 1; i <= 4; ++i) {
        const QString row = QString::fromLatin1(rows[i]);
        const std::int64_t t = QDateTime::fromString(row.section(QLatin1Char(','), 0, 0), Qt::ISODate).toSecsSinceEpoch();
        EXPECT_EQ(t, back - 4 + i);
        EXPECT_EQ(row.section(QLatin1Char(','), 1, 1).toInt(), r.rec.ring().at(t)->load);
    }
    EXPECT_TRUE(rows[4].startsWith(isoTime(back).toLatin1() + ",99,"));
    // The file, read by the next run.
    ASSERT_TRUE(r.rec.save());
    LoadRing again;
    parse(r.rig.platform.memory.value(QStringLiteral("/prog/load-history.txt")), back, again);
    EXPECT_EQ(all(again), all(r.rec.ring()));
}

// Every fresh start point is marked: the program's start, each showing of
// the main window, "Refresh Start Res" and the software test's reset (one
// reset), and a move to an entry of the RES list.
TEST(LoadRecorderInProgram, MarksEveryStartPoint) {
    Recording r;
    r.second();
    r.rig.state.mainShown = true;
    r.rig.showAt(40);  // the program's start: the first showing
    const std::int64_t shown = r.now();
    EXPECT_EQ(r.sampleNow().events, unsigned(StartPointSet));  // at its own second
    for (int i = 0; i < 3; ++i) r.second();
    r.rig.state.mainShown = false;  // "Hide"
    r.second();
    r.rig.state.mainShown = true;  // "Show"
    r.rig.showAt(40);
    const std::int64_t again = r.now();
    r.second();
    r.second();
    r.startPoint.reset();  // "Refresh Start Res", and the test's reset
    const std::int64_t reset = r.now();
    r.second();
    r.second();
    ASSERT_FALSE(r.startPoint.moveTo(QStringLiteral("33 %")));
    const std::int64_t moved = r.now();
    r.second();
    std::vector<std::int64_t> marks;
    r.rec.ring().forEach(r.rec.ring().oldestTime(), r.now(), [&](std::int64_t t, const Sample& s) {
        if (s.events & StartPointSet) marks.push_back(t);
        EXPECT_LE(pointEvents(s), 1);
    });
    EXPECT_EQ(marks, (std::vector<std::int64_t>{shown, again, reset, moved}));
}

// "acknowledged" follows only a load or rise warning's "OK"; a row holds one
// event, a second one in the same second goes to the next free second, and
// no warning is lost.
TEST(LoadRecorderInProgram, OneEventARowAndAcknowledgedOnlyForALimitWarning) {
    Recording r;
    r.rig.state.mainShown = true;
    r.rig.options.loadLimit = 80;
    r.rig.options.useRiseLimit = false;
    r.rig.showAt(50);
    r.second();
    // The rest reminder and its OK: nothing to acknowledge.
    r.rig.restAlarm.setAlarmOn(true);
    r.rig.restAlarm.setRestInterval(1);
    r.rig.restAlarm.setPassedMinutes(2);
    r.second();
    ASSERT_EQ(r.rig.warning.modelessCount, 1);
    r.ok();
    const std::int64_t rest = r.now();
    r.rig.monitor.setExceedLimitState(false);
    r.second();
    // A load warning, "OK" pressed within its second.
    r.rig.warning.onModal = [&] { r.ok(); };
    r.rig.platform.loads = {90};
    r.second();
    const std::int64_t warned = r.now();
    ASSERT_EQ(r.rig.warning.modalCount, 1);
    r.rig.warning.onModal = nullptr;
    r.rig.platform.loads = {50};
    r.second();
    // A load warning closed by "Hide"/"Show" without "OK": the next tick
    // over the limit is a new warning.
    r.rig.platform.loads = {91};
    r.second();
    const std::int64_t second = r.now();
    r.rig.warning.setShown(false);
    r.second();
    const std::int64_t third = r.now();
    EXPECT_EQ(r.rig.warning.modalCount, 3);
    // A start point moved while over the limit: the move and the warning
    // of its tick in one second.
    r.ok();
    r.second();
    r.second();
    r.rig.monitor.setExceedLimitState(false);
    ASSERT_FALSE(r.startPoint.moveTo(QStringLiteral("40 %")));
    const std::int64_t moved = r.now();
    r.second();
    r.second();

    std::vector<std::pair<std::int64_t, unsigned>> events;
    r.rec.ring().forEach(r.rec.ring().oldestTime(), r.now(), [&](std::int64_t t, const Sample& s) {
        EXPECT_LE(pointEvents(s), 1) << t;
        if (s.events & kPointEvents) events.push_back({t, s.events & kPointEvents});
    });
    const std::int64_t start = events.front().first;
    EXPECT_EQ(events, (std::vector<std::pair<std::int64_t, unsigned>>{{start, StartPointSet},
                                                                      {warned, WarningShown},
                                                                      {warned + 1, Acknowledged},
                                                                      {second, WarningShown},
                                                                      {third, WarningShown},
                                                                      {third + 1, Acknowledged},
                                                                      {moved, StartPointSet},
                                                                      {moved + 1, WarningShown}}));
    EXPECT_FALSE(r.rec.ring().at(rest)->events & kPointEvents);
    EXPECT_FALSE(r.rec.ring().at(rest + 1)->events & kPointEvents);
    // The warning stands (shaded) from its second to the one before it is
    // acknowledged or closed.
    EXPECT_TRUE(r.rec.ring().at(warned)->events & WarningOn);
    EXPECT_FALSE(r.rec.ring().at(warned + 1)->events & WarningOn);
    EXPECT_TRUE(r.rec.ring().at(moved + 2)->events & WarningOn);
    // In the CSV: one event a row, never two joined.
    EXPECT_FALSE(csv(r.rec.ring(), start, r.now()).contains(';'));
}

// A file from an earlier version with two events on a line: the second
// goes on to the next line without one.
TEST(LoadHistoryFile, SpreadsTwoEventsOfALineOverTheNextSeconds) {
    LoadRing r;
    EXPECT_EQ(parse("@1800000000\n10 - wa\n11 -\n12 - s\n", T0 + 10, r), 3);
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10, -1, WarningShown | WarningOn)},
                                         {T0 + 1, at(11, -1, Acknowledged)},
                                         {T0 + 2, at(12, -1, StartPointSet)}}));
}

// The ring goes to its file every ten minutes, on the once-a-second
// wake-up (no timer of its own), by a worker: a kill loses at most ten
// minutes.
TEST(LoadRecorderInProgram, WritesTheFileEveryTenMinutes) {
    Recording r;
    r.rig.state.mainShown = true;
    r.rig.showAt(40);
    const QString path = QStringLiteral("/prog/load-history.txt");
    const int timers = int(r.rig.platform.timers.size());
    for (int i = 1; i < 600; ++i) r.second();
    r.rec.finishSaving();
    EXPECT_FALSE(r.rig.platform.memory.contains(path));
    r.second();  // ten minutes since the start
    r.rec.finishSaving();
    ASSERT_TRUE(r.rig.platform.memory.contains(path));
    const std::int64_t savedAt = r.now();
    EXPECT_EQ(r.rig.platform.memory.value(path), serialize(r.rec.ring()));
    for (int i = 0; i < 599; ++i) r.second();
    r.rec.finishSaving();
    EXPECT_EQ(r.rig.platform.memory.value(path).count('\n'), 1 + 1 + 601);  // header, "@", the samples
    r.second();
    r.rec.finishSaving();
    EXPECT_EQ(r.rig.platform.memory.value(path), serialize(r.rec.ring()));
    EXPECT_EQ(int(r.rig.platform.timers.size()), timers);
    // Killed now: the next run finds the last write's samples.
    LoadRecorder next({r.rig.platform, r.rig.platform, r.rig.platform, r.rig.platform.fakeDialogs, path});
    EXPECT_EQ(next.load(), 1201);
    EXPECT_EQ(next.ring().newestTime(), r.now());
    EXPECT_EQ(next.ring().oldestTime(), savedAt - 600);
}

// ------------------------------------------------------------ oom-kill

// The second of an out-of-memory kill holds the event "oom-kill": one event
// a second as the others (a kill in the second of a warning goes to the
// next), kept by the file and written by the CSV.
TEST(LoadRecorder, OomKillMarksItsSecondInTheFileAndTheCsv) {
    FakePlatform fp;
    LoadRecorder rec({fp, fp, fp, fp.fakeDialogs, QStringLiteral("/nonexistent/load-history.txt")});
    fp.epoch = T0;
    rec.record(70);
    rec.oomKill();
    EXPECT_EQ(rec.ring().at(T0)->events, unsigned(OomKill));
    fp.epoch = T0 + 1;
    rec.record(95);
    rec.limitWarning();
    rec.oomKill();
    fp.epoch = T0 + 2;
    rec.record(96);
    EXPECT_EQ(rec.ring().at(T0 + 1)->events & kPointEvents, unsigned(WarningShown));
    EXPECT_EQ(rec.ring().at(T0 + 2)->events & kPointEvents, unsigned(OomKill));

    LoadRing back;
    parse(serialize(rec.ring()), T0 + 2, back);
    ASSERT_TRUE(back.at(T0).has_value());
    EXPECT_EQ(back.at(T0)->events, unsigned(OomKill));
    EXPECT_EQ(back.at(T0 + 2)->events & kPointEvents, unsigned(OomKill));
    const QList<QByteArray> lines = csv(rec.ring(), T0, T0 + 2).split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[1].endsWith(",oom-kill\r")) << lines[1].constData();
    EXPECT_TRUE(lines[3].endsWith(",oom-kill\r")) << lines[3].constData();
}

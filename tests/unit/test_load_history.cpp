// The day of load history: the ring (wrap, the 24-hour limit, gaps, a clock
// set back, events), its file and what a damaged file gives, the CSV text,
// the decimation into pixel columns, the pressure figure, and the recorder
// on the fake platform.
#include "fakes/fake_platform.h"
#include "loadhistory/csv_export.h"
#include "loadhistory/decimate.h"
#include "loadhistory/history_file.h"
#include "loadhistory/load_recorder.h"
#include "loadhistory/load_ring.h"
#include "loadhistory/summary.h"
#include "platform/linux/linux_files.h"
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

TEST(LoadRing, LeavesGapsAndKeepsOrderWhenTheClockGoesBack) {
    LoadRing r;
    r.record(T0, at(10));
    r.record(T0 + 5, at(15));
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0, at(10)}, {T0 + 5, at(15)}}));
    for (int i = 1; i < 5; ++i) EXPECT_FALSE(r.at(T0 + i));
    // The same second again: the figures replaced, the events kept.
    r.record(T0 + 5, at(16, -1, WarningShown));
    r.record(T0 + 5, at(17));
    EXPECT_EQ(*r.at(T0 + 5), at(17, -1, WarningShown));
    // An hour back: the new sample last, one empty second before it, the
    // older ones moved back with it.
    r.record(T0 + 5 - 3600, at(20));
    EXPECT_EQ(all(r), (std::vector<Seen>{{T0 + 5 - 3600 - 2 - 5, at(10)},
                                         {T0 + 5 - 3600 - 2, at(17, -1, WarningShown)},
                                         {T0 + 5 - 3600, at(20)}}));
    EXPECT_TRUE(r.addEvents(Acknowledged));
    EXPECT_EQ(r.at(r.newestTime())->events, unsigned(Acknowledged));
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
    fp.pressures = {12, 30, FakePressureSource::kNone};
    rec.record(40);
    EXPECT_EQ(fp.pressureReads, 1);
    // An event in the same second goes to that sample; a later one waits
    // for the next tick.
    rec.mark(StartPointSet);
    fp.epoch = T0 + 1;
    rec.mark(WarningShown);
    rec.record(41);
    fp.epoch = T0 + 2;
    rec.record(42);
    fp.epoch = T0 + 3;
    rec.mark(Acknowledged);
    rec.record(43);
    fp.epoch = T0 + 4;
    rec.record(44);
    // The pressure is read once in ten seconds: the figure of T0 stands
    // for the seconds up to T0 + 9.
    EXPECT_EQ(fp.pressureReads, 1);
    fp.epoch = T0 + 10;
    rec.record(45);
    EXPECT_EQ(fp.pressureReads, 2);
    EXPECT_EQ(recorded, 6);
    EXPECT_EQ(all(rec.ring()), (std::vector<Seen>{{T0, at(40, 12, StartPointSet)},
                                                  {T0 + 1, at(41, 12, WarningShown | WarningOn)},
                                                  {T0 + 2, at(42, 12, WarningOn)},
                                                  {T0 + 3, at(43, 12, Acknowledged)},
                                                  {T0 + 4, at(44, 12)},
                                                  {T0 + 10, at(45, 30)}}));
    EXPECT_EQ(summary(rec.ring(), T0, T0 + 599, QStringLiteral("10 minutes")),
              QStringLiteral("Last 10 minutes: load lowest 40 %, highest 45 %, latest 45 %; memory pressure lowest "
                             "0.12 %, highest 0.30 %, latest 0.30 %; 1 start point, 1 warning."));
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

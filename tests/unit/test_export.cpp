// What the fleet's tools get: the text of the collector's file (HELP and
// TYPE, the order, the escapes of label values, bytes that are not UTF-8),
// its writer (at most once in 15 s, only on a change, a failure said once,
// the file gone at the end), the journal fields of each event and the
// order the entries go out in, all on fakes.
#include "export/exporter.h"
#include "export/journal_events.h"
#include "export/textfile.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_export.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <gtest/gtest.h>

namespace ostra {
namespace {

// ------------------------------------------------------------- the text

ExportMetrics someMetrics() {
    ExportMetrics m;
    m.load = 93;
    m.limit = 90;
    m.limitActive = true;
    m.limitWarnings = 2;
    m.riseWarnings = 1;
    m.oomKills = 3;
    m.grown = {{QStringLiteral("Firefox"), 2040109465}, {QStringLiteral("Code"), 440401920}};
    return m;
}

TEST(Textfile, HelpAndTypeForEachMetricTheUserOnEverySampleInAFixedOrder) {
    const QByteArray text = textfile::exposition(someMetrics(), QStringLiteral("alice"));
    const QByteArray expected =
        "# HELP ostra_memory_load_percent Memory load as Ostra last read it, in percent.\n"
        "# TYPE ostra_memory_load_percent gauge\n"
        "ostra_memory_load_percent{user=\"alice\"} 93\n"
        "# HELP ostra_load_limit_percent The load limit of Ostra's warning, in percent.\n"
        "# TYPE ostra_load_limit_percent gauge\n"
        "ostra_load_limit_percent{user=\"alice\"} 90\n"
        "# HELP ostra_warning_active 1 while Ostra's warning of this kind is open and not acknowledged.\n"
        "# TYPE ostra_warning_active gauge\n"
        "ostra_warning_active{kind=\"limit\",user=\"alice\"} 1\n"
        "ostra_warning_active{kind=\"rise\",user=\"alice\"} 0\n"
        "# HELP ostra_warnings_total Warnings of this kind Ostra opened since it started.\n"
        "# TYPE ostra_warnings_total counter\n"
        "ostra_warnings_total{kind=\"limit\",user=\"alice\"} 2\n"
        "ostra_warnings_total{kind=\"rise\",user=\"alice\"} 1\n"
        "# HELP ostra_oom_kills_seen_total Out-of-memory kills Ostra saw since it started.\n"
        "# TYPE ostra_oom_kills_seen_total counter\n"
        "ostra_oom_kills_seen_total{user=\"alice\"} 3\n"
        "# HELP ostra_application_growth_bytes Memory the applications that grew most gained since Ostra's "
        "start point, in bytes.\n"
        "# TYPE ostra_application_growth_bytes gauge\n"
        "ostra_application_growth_bytes{application=\"Firefox\",user=\"alice\"} 2040109465\n"
        "ostra_application_growth_bytes{application=\"Code\",user=\"alice\"} 440401920\n";
    EXPECT_EQ(text.toStdString(), expected.toStdString());

    // Before the first reading and with the load warning off: no sample
    // that would claim a figure.
    ExportMetrics bare;
    const QByteArray none = textfile::exposition(bare, QStringLiteral("alice"));
    EXPECT_FALSE(none.contains("ostra_memory_load_percent"));
    EXPECT_FALSE(none.contains("ostra_load_limit_percent"));
    EXPECT_TRUE(none.contains("ostra_warning_active{kind=\"limit\",user=\"alice\"} 0\n"));
}

TEST(Textfile, LabelValuesEscapedAndBytesThatAreNotUtf8Replaced) {
    EXPECT_EQ(textfile::escapeLabelValue("a\\b\"c\nd"), QByteArray("a\\\\b\\\"c\\nd"));
    // A lone continuation byte, a cut sequence and an overlong form: each
    // becomes U+FFFD, and what follows survives.
    const QByteArray mended = textfile::escapeLabelValue("x\x80y\xe2\x82z\xc0\xafw");
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = strict(mended);
    EXPECT_FALSE(strict.hasError()) << "valid UTF-8";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^x\uFFFD+y\uFFFD+z\uFFFD+w$")).match(decoded).hasMatch())
        << mended.toStdString();
    EXPECT_EQ(textfile::escapeLabelValue("Caf\xc3\xa9"), QByteArray("Caf\xc3\xa9"));

    ExportMetrics m;
    m.grown = {{QStringLiteral("say \"hi\"\\now\nthen"), 5}};
    const QByteArray text = textfile::exposition(m, QStringLiteral("o\"brien"));
    EXPECT_TRUE(text.contains("ostra_application_growth_bytes{application=\"say \\\"hi\\\"\\\\now\\nthen\","
                              "user=\"o\\\"brien\"} 5\n"))
        << text.toStdString();
    // Every line is a comment or one sample: name, labels whose values are
    // closed quotes with only the format's escapes, a number.
    const QRegularExpression sample(QStringLiteral(
        R"(^[a-z_]+\{([a-z_]+="([^"\\\n]|\\[\\"n])*",)*[a-z_]+="([^"\\\n]|\\[\\"n])*"\} -?[0-9]+$)"));
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith("# ")) continue;
        EXPECT_TRUE(sample.match(QString::fromUtf8(line)).hasMatch()) << line.toStdString();
    }
}

TEST(Textfile, FiveDistinctApplicationsAtMostAndEqualNamesOnce) {
    ExportMetrics m;
    for (const char* n : {"a", "b", "a", "c", "d", "b", "e", "f"})
        m.grown.push_back({QString::fromLatin1(n), 100 - static_cast<int>(m.grown.size())});
    const QByteArray text = textfile::exposition(m, QStringLiteral("u"));
    QStringList apps;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith("ostra_application_growth_bytes{application=\""))
            apps << QString::fromUtf8(line.mid(44, 1));
    EXPECT_EQ(apps, (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_TRUE(text.contains("application=\"a\",user=\"u\"} 100\n")) << "the largest of the equal names";
}

TEST(Textfile, FileNameKeepsToSafeCharacters) {
    EXPECT_EQ(textfile::fileName(QStringLiteral("alice")), QStringLiteral("ostra-alice.prom"));
    EXPECT_EQ(textfile::fileName(QStringLiteral("../x y")), QStringLiteral("ostra-.._x_y.prom"));
}

// ------------------------------------------------------------- the writer

struct WriterWorld {
    FakeCollectorFolder folder;
    FakeClock clock;
    QStringList complaints;
    TextfileWriter writer{TextfileWriter::Deps{folder, clock, QStringLiteral("/srv/tf"),
                                               [this](const QString& l) { complaints << l; }}};
    int publishes() const { return static_cast<int>(folder.log.filter(QStringLiteral("publish")).size()); }
};

TEST(TextfileWriterTest, AtMostOnceIn15SecondsAndOnlyWhenSomethingChanged) {
    WriterWorld w;
    ASSERT_TRUE(w.writer.enabled());
    EXPECT_EQ(w.writer.path(), QStringLiteral("/srv/tf/ostra-alice.prom"));
    w.writer.offer("a");
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("a"));
    // The same text: nothing, however long it stays.
    w.clock.advanceSeconds(60);
    w.writer.offer("a");
    EXPECT_EQ(w.publishes(), 1);
    // A change right after a write waits for the 15 s to pass.
    w.writer.offer("b");
    EXPECT_EQ(w.publishes(), 2);
    w.clock.advanceSeconds(14);
    w.writer.offer("c");
    EXPECT_EQ(w.publishes(), 2);
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("b"));
    w.clock.advanceSeconds(1);
    w.writer.offer("c");
    EXPECT_EQ(w.publishes(), 3);
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("c"));
    // The clock set back an hour does not hold the file up for an hour.
    w.clock.epoch -= 3600;
    w.writer.offer("d");
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("d"));
    // The end: the file goes, and nothing is written after.
    w.writer.finish();
    EXPECT_FALSE(w.folder.files.contains(w.writer.path()));
    w.clock.advanceSeconds(100);
    w.writer.offer("e");
    EXPECT_FALSE(w.folder.files.contains(w.writer.path()));
    EXPECT_TRUE(w.complaints.isEmpty());
}

TEST(TextfileWriterTest, AFailureIsSaidOnceAndTriedAgainEvery15Seconds) {
    WriterWorld w;
    w.writer.offer("good");
    w.folder.failure = QStringLiteral("No space left on device");
    for (int i = 0; i < 4; ++i) {
        w.clock.advanceSeconds(15);
        w.writer.offer(QByteArray("new") + QByteArray::number(i));
    }
    EXPECT_EQ(w.publishes(), 5) << "tried again at each 15 s";
    ASSERT_EQ(w.complaints.size(), 1);
    EXPECT_EQ(w.complaints[0],
              QStringLiteral("ostra: cannot write /srv/tf/ostra-alice.prom: No space left on device"));
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("good")) << "the last good file left";
    // It works again, then fails anew: said again.
    w.folder.failure.reset();
    w.clock.advanceSeconds(15);
    w.writer.offer("x");
    EXPECT_EQ(w.folder.files.value(w.writer.path()), QByteArray("x"));
    w.folder.failure = QStringLiteral("Read-only file system");
    w.clock.advanceSeconds(15);
    w.writer.offer("y");
    EXPECT_EQ(w.complaints.size(), 2);
}

TEST(TextfileWriterTest, NoFolderNothingAtAllARelativeOneSaidOnce) {
    FakeCollectorFolder folder;
    FakeClock clock;
    QStringList complaints;
    folder.user.clear();  // would show in the file name if it were asked
    TextfileWriter none({folder, clock, QString(), [&](const QString& l) { complaints << l; }});
    none.offer("a");
    none.finish();
    EXPECT_FALSE(none.enabled());
    EXPECT_TRUE(folder.log.isEmpty());
    EXPECT_TRUE(complaints.isEmpty());

    TextfileWriter relative({folder, clock, QStringLiteral("tf"), [&](const QString& l) { complaints << l; }});
    relative.offer("a");
    clock.advanceSeconds(30);
    relative.offer("b");
    EXPECT_TRUE(folder.log.isEmpty());
    ASSERT_EQ(complaints.size(), 1);
    EXPECT_TRUE(complaints[0].contains(QStringLiteral("TextfileDir=tf")));
}

// ------------------------------------------------------------- the journal

TEST(JournalFieldsTest, TheIssuesExampleWarning) {
    ExportEvent e;
    e.kind = ExportKind::WarningLimit;
    e.load = 93;
    e.limit = 90;
    e.apps = {{QStringLiteral("Firefox"), std::int64_t(1946) << 20}, {QStringLiteral("Code"), 420 << 20}};
    const JournalFields f = journalFields(e);
    const JournalFields expected{
        {"MESSAGE", "Memory load 93% passed the limit 90%; grew most: Firefox +1.9 GiB, Code +420.0 MiB"},
        {"MESSAGE_ID", "e28845bbce574a5b8e0633a8671f1cc7"},
        {"PRIORITY", "4"},
        {"SYSLOG_IDENTIFIER", "ostra"},
        {"OSTRA_EVENT", "warning-limit"},
        {"OSTRA_LOAD", "93"},
        {"OSTRA_LIMIT", "90"},
        {"OSTRA_APP", "Firefox"},
        {"OSTRA_GROWTH_BYTES", QByteArray::number(std::int64_t(1946) << 20)},
        {"OSTRA_APP", "Code"},
        {"OSTRA_GROWTH_BYTES", QByteArray::number(420 << 20)},
    };
    EXPECT_EQ(f, expected);
}

// The fields of every kind, through the exporter as the program feeds it.
TEST(JournalFieldsTest, EachKindHasItsNameIdPriorityAndLine) {
    FakeJournal journal;
    FakeCollectorFolder folder;
    FakeClock clock;
    Exporter x({journal, folder, clock, QString(), {}});
    x.sampled(80, 90);
    ExportEvent rise;
    rise.kind = ExportKind::WarningRise;
    rise.load = 80;
    rise.limit = 90;
    rise.rise = 35;
    rise.riseLimit = 30;
    ASSERT_TRUE(x.warning(rise));
    x.warningApps({{QStringLiteral("hog"), 3 << 20}});
    x.acknowledged();
    const AppGrowth app{QStringLiteral("Firefox"), std::int64_t(2) << 30};
    for (ExportKind k : {ExportKind::Paused, ExportKind::Resumed, ExportKind::Closed, ExportKind::Ended})
        x.acted(k, app);
    x.oomKillTold(AppGrowth{QStringLiteral("java"), std::int64_t(3) << 30});
    x.sampled(97, std::nullopt);
    x.oomKillTold(std::nullopt);

    struct Want {
        const char* event;
        int priority;
        const char* message;
    };
    const std::vector<Want> want{
        {"warning-rise", 4,
         "Memory load rose 35 points to 80%, past the rise limit of 30 points; grew most: hog +3.0 MiB"},
        {"acknowledged", 5, "Warning acknowledged at memory load 80%"},
        {"paused", 5, "Paused Firefox (+2.0 GiB since the start point) at memory load 80%"},
        {"resumed", 5, "Resumed Firefox at memory load 80%"},
        {"closed", 5, "Asked Firefox to close its windows at memory load 80%"},
        {"ended", 5, "Ended Firefox at memory load 80%"},
        {"oom-kill", 4, "The out-of-memory killer ended java, which held 3.0 GiB, at memory load 80%"},
        {"oom-kill", 4, "The out-of-memory killer ended a program at memory load 97%"},
    };
    ASSERT_EQ(journal.entries.size(), want.size());
    QSet<QByteArray> ids;
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].event);
        EXPECT_EQ(journal.value(i, "OSTRA_EVENT"), QByteArray(want[i].event));
        EXPECT_EQ(journal.value(i, "PRIORITY"), QByteArray::number(want[i].priority));
        EXPECT_EQ(journal.value(i, "MESSAGE"), QByteArray(want[i].message));
        EXPECT_EQ(journal.value(i, "SYSLOG_IDENTIFIER"), QByteArray("ostra"));
        const QByteArray id = journal.value(i, "MESSAGE_ID");
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(QString::fromLatin1(id)).hasMatch());
        ids.insert(journal.value(i, "OSTRA_EVENT") + id);
    }
    EXPECT_EQ(ids.size(), 7) << "one id per kind";
    EXPECT_EQ(journal.value(1, "OSTRA_LOAD"), QByteArray("80"));
    EXPECT_EQ(journal.value(1, "OSTRA_LIMIT"), QByteArray("90"));
    EXPECT_EQ(journal.values(0, "OSTRA_RISE"), QList<QByteArray>{"35"});
    EXPECT_EQ(journal.values(2, "OSTRA_APP"), QList<QByteArray>{"Firefox"});
    EXPECT_EQ(journal.values(2, "OSTRA_GROWTH_BYTES"), QList<QByteArray>{QByteArray::number(std::int64_t(2) << 30)});
    EXPECT_EQ(journal.values(6, "OSTRA_HELD_BYTES"), QList<QByteArray>{QByteArray::number(std::int64_t(3) << 30)});
    EXPECT_TRUE(journal.values(7, "OSTRA_LIMIT").isEmpty()) << "no limit while the load warning is off";
    EXPECT_TRUE(journal.values(7, "OSTRA_APP").isEmpty());
}

TEST(JournalFieldsTest, AMessageIsOneLineWhateverTheName) {
    ExportEvent e;
    e.kind = ExportKind::Paused;
    e.apps = {{QStringLiteral("two\nlines\r"), 0}};
    const JournalFields f = journalFields(e);
    EXPECT_EQ(f[0].second, QByteArray("Paused two lines  at memory load 0%"));
    EXPECT_EQ(journal::datagram({{"OSTRA_APP", "a\nb"}, {"X", "y"}}),
              QByteArray("OSTRA_APP\n\x03\0\0\0\0\0\0\0a\nb\nX=y\n", 26));
}

TEST(ExporterTest, AWarningOpensOnceWaitsForItsApplicationsAndWhatFollowsWaitsBehindIt) {
    FakeJournal journal;
    FakeCollectorFolder folder;
    FakeClock clock;
    Exporter x({journal, folder, clock, QStringLiteral("/tf"), {}});
    x.sampled(95, 90);
    ExportEvent e;
    e.kind = ExportKind::WarningLimit;
    e.load = 95;
    e.limit = 90;
    EXPECT_TRUE(x.warning(e));
    EXPECT_FALSE(x.warning(e)) << "the same warning at the next tick";
    EXPECT_TRUE(x.metrics().limitActive);
    EXPECT_EQ(x.metrics().limitWarnings, 1u);
    // "OK" before the scan came back: the acknowledgement waits behind.
    x.acknowledged();
    EXPECT_TRUE(journal.entries.empty());
    x.warningApps({{QStringLiteral("a"), 4}, {QStringLiteral("b"), 3}, {QStringLiteral("c"), 2},
                   {QStringLiteral("d"), 1}});
    ASSERT_EQ(journal.entries.size(), 2u);
    EXPECT_EQ(journal.value(0, "OSTRA_EVENT"), QByteArray("warning-limit"));
    EXPECT_EQ(journal.values(0, "OSTRA_APP"), (QList<QByteArray>{"a", "b", "c"})) << "the three largest";
    EXPECT_EQ(journal.value(1, "OSTRA_EVENT"), QByteArray("acknowledged"));
    EXPECT_FALSE(x.metrics().limitActive);
    // An "OK" with no warning standing (the rest reminder's) says nothing.
    x.acknowledged();
    EXPECT_EQ(journal.entries.size(), 2u);
    // The window closed without "OK": the warning ends, the next one counts.
    EXPECT_TRUE(x.warning(e));
    x.warningClosed();
    EXPECT_FALSE(x.metrics().limitActive);
    EXPECT_TRUE(x.warning(e));
    EXPECT_EQ(x.metrics().limitWarnings, 3u);
    // The program ends before the scan: what waits goes out as it is, and
    // the file goes.
    x.oomKillSeen();
    EXPECT_EQ(x.metrics().oomKills, 1u);
    x.finish();
    EXPECT_EQ(journal.entries.size(), 4u);
    EXPECT_TRUE(journal.values(3, "OSTRA_APP").isEmpty());
    EXPECT_EQ(folder.log.last(), QStringLiteral("withdraw /tf/ostra-alice.prom"));
    EXPECT_TRUE(folder.files.isEmpty());
}

TEST(ExporterTest, TheSampleWritesTheFiguresAsTheyStand) {
    FakeJournal journal;
    FakeCollectorFolder folder;
    FakeClock clock;
    Exporter x({journal, folder, clock, QStringLiteral("/tf"), {}});
    x.grown({{QStringLiteral("hog"), 1 << 30}});
    x.sampled(40, 90);
    const QByteArray first = folder.files.value(QStringLiteral("/tf/ostra-alice.prom"));
    EXPECT_TRUE(first.contains("ostra_memory_load_percent{user=\"alice\"} 40\n"));
    EXPECT_TRUE(first.contains("application=\"hog\",user=\"alice\"} 1073741824\n"));
    ExportEvent e;
    e.kind = ExportKind::WarningLimit;
    x.warning(e);
    clock.advanceSeconds(15);
    x.sampled(40, 90);
    EXPECT_TRUE(folder.files.value(QStringLiteral("/tf/ostra-alice.prom"))
                    .contains("ostra_warning_active{kind=\"limit\",user=\"alice\"} 1\n"));
    // Nothing changed: nothing written, however long.
    const qsizetype writes = folder.log.size();
    clock.advanceSeconds(100);
    x.sampled(40, 90);
    EXPECT_EQ(folder.log.size(), writes);
    // A write that failed is made again 15 s later, with the same figures.
    folder.failure = QStringLiteral("Read-only file system");
    x.sampled(41, 90);
    EXPECT_EQ(folder.log.size(), writes + 1);
    folder.failure.reset();
    x.sampled(41, 90);
    EXPECT_EQ(folder.log.size(), writes + 1) << "not before the 15 s";
    clock.advanceSeconds(15);
    x.sampled(41, 90);
    EXPECT_EQ(folder.log.size(), writes + 2);
    EXPECT_TRUE(folder.files.value(QStringLiteral("/tf/ostra-alice.prom"))
                    .contains("ostra_memory_load_percent{user=\"alice\"} 41\n"));
}

}  // namespace
}  // namespace ostra

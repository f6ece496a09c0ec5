// The export in the whole program on the fakes: with [export] TextfileDir
// set, the figures reach the collector's file from the monitor's tick (the
// warning standing, then acknowledged, what grew most), the journal gets
// the warning naming what grew and its acknowledgement in that order, an
// act and a kill reach it from their signals, and the file goes when the
// program ends; without the key nothing is written and the settings file
// gains no section.
#include "app_harness.h"

#include "act/application_actions.h"

namespace ostra::testing {
namespace {

ProcessScan scanOf(std::initializer_list<std::pair<const char*, int>> exeMiB) {
    ProcessScan s;
    int pid = 100;
    for (const auto& [exe, mib] : exeMiB) s.processes.push_back({pid++, "0::/\n", exe, exe, std::int64_t(mib) << 20, {}});
    return s;
}

const QString kFile = QStringLiteral("/srv/tf/ostra-alice.prom");

AppHarness* exporting(const char* dir) {
    return new AppHarness([dir](FakePlatform& fp, const QString& folder) {
        fp.setIni(folder, "x", "checkbox2", QStringLiteral("0"));  // the load limit alone
        fp.setIni(folder, "x", "xx1", QStringLiteral("90"));
        if (dir) fp.setIni(folder, "export", "TextfileDir", QLatin1String(dir));
        fp.processMemory.set(scanOf({{"editor", 100}}));
        fp.loads = {50};
    });
}

QByteArray file(AppHarness& h) { return h.fp.collectorFolder.files.value(kFile); }

TEST(ExportApp, AWarningAndItsAcknowledgementReachTheJournalAndTheCollectorsFile) {
    std::unique_ptr<AppHarness> h(exporting("/srv/tf"));
    h->start();
    h->app->growWatch().waitForScans();
    h->monitorTimer().fire();
    EXPECT_TRUE(file(*h).contains("ostra_memory_load_percent{user=\"alice\"} 50\n")) << file(*h).toStdString();
    EXPECT_TRUE(file(*h).contains("ostra_load_limit_percent{user=\"alice\"} 90\n"));

    // Over the limit: the warning opens; inside it, 15 s later, a tick.
    h->fp.processMemory.set(scanOf({{"editor", 300}, {"hog", 1024}, {"a", 101}, {"b", 102}}));
    h->fp.loads = {99};
    h->fp.advanceSeconds(15);
    QByteArray during;
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        driver.stop();
        h->app->growWatch().waitForScans();
        h->fp.advanceSeconds(15);
        h->monitorTimer().fire();
        during = file(*h);
        clickButton(AppHarness::child<QAbstractButton>(*m, "BitBtn1"));
    });
    driver.start();
    h->monitorTimer().fire();
    EXPECT_TRUE(during.contains("ostra_warning_active{kind=\"limit\",user=\"alice\"} 1\n")) << during.toStdString();
    EXPECT_TRUE(during.contains("ostra_warnings_total{kind=\"limit\",user=\"alice\"} 1\n"));
    EXPECT_TRUE(during.contains("ostra_application_growth_bytes{application=\"hog\",user=\"alice\"} 1073741824\n"));
    EXPECT_TRUE(during.contains("ostra_memory_load_percent{user=\"alice\"} 99\n"));

    FakeJournal& j = h->fp.journal;
    ASSERT_EQ(j.entries.size(), 2u);
    EXPECT_EQ(j.value(0, "OSTRA_EVENT"), QByteArray("warning-limit"));
    EXPECT_EQ(j.value(0, "MESSAGE"),
              QByteArray("Memory load 99% passed the limit 90%; grew most: hog +1.0 GiB, editor +200.0 MiB, "
                         "b +102.0 MiB"));
    EXPECT_EQ(j.values(0, "OSTRA_APP"), (QList<QByteArray>{"hog", "editor", "b"}));
    EXPECT_EQ(j.value(1, "OSTRA_EVENT"), QByteArray("acknowledged"));

    // Acknowledged, the load still high: no longer active at the next write.
    h->fp.advanceSeconds(15);
    h->monitorTimer().fire();
    EXPECT_TRUE(file(*h).contains("ostra_warning_active{kind=\"limit\",user=\"alice\"} 0\n"));
    EXPECT_EQ(j.entries.size(), 2u) << "the acknowledged warning stays quiet";

    // An act and a kill, from the signals of their logic.
    act::Target t;
    t.key = t.name = QStringLiteral("hog");
    t.growth = 1ll << 30;
    emit h->app->applicationActions().acted(act::Act::Paused, t);
    emit h->app->oomWatch().oomKill();
    emit h->app->oomWatch().killTold(std::nullopt);
    ASSERT_EQ(j.entries.size(), 4u);
    EXPECT_EQ(j.value(2, "MESSAGE"), QByteArray("Paused hog (+1.0 GiB since the start point) at memory load 99%"));
    EXPECT_EQ(j.value(3, "OSTRA_EVENT"), QByteArray("oom-kill"));
    h->fp.advanceSeconds(15);
    h->monitorTimer().fire();
    EXPECT_TRUE(file(*h).contains("ostra_oom_kills_seen_total{user=\"alice\"} 1\n"));

    // The program ends: the file goes.
    h->app->shutdown();
    EXPECT_FALSE(h->fp.collectorFolder.files.contains(kFile));
    EXPECT_EQ(h->fp.collectorFolder.log.last(), QStringLiteral("withdraw ") + kFile);
}

TEST(ExportApp, WithoutTheKeyNoFileAndNoSectionInTheSettings) {
    std::unique_ptr<AppHarness> h(exporting(nullptr));
    h->start();
    for (int i = 0; i < 3; ++i) {
        h->fp.advanceSeconds(15);
        h->monitorTimer().fire();
    }
    h->app->shutdown();
    EXPECT_TRUE(h->fp.collectorFolder.log.isEmpty());
    EXPECT_FALSE(h->fp.hasIni(h->dir.path(), "export", "TextfileDir"));
    EXPECT_TRUE(h->fp.iniEntries(h->dir.path()).filter(QStringLiteral("export")).isEmpty());
}

}  // namespace
}  // namespace ostra::testing

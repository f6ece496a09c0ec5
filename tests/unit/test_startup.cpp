// The main window's creation, start-up sequence, activation and shutdown
// sequence with the settings they read and write, on the fake platform.
#include "fakes.h"
#include "app/figure_texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostra;
using ostra::test::BasicRig;
using ostra::test::Rig;

namespace {

void store(FakePlatform& p, const char* section, const char* key, const char* value,
           const QString& folder = QStringLiteral("/prog")) {
    p.setIni(folder, section, key, QString::fromLatin1(value));
}

// The keys of the settings file in file order, as "W section/key=value".
QStringList written(FakePlatform& p, const QString& folder = QStringLiteral("/prog")) { return p.iniEntries(folder); }

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

}  // namespace

// --- start-up ---------------------------------------------------------------

TEST(StartUp, FirstStartWithoutSettingsFile) {
    Rig rig;
    int upgrades = 0;
    rig.upgradeCheck = [&] { ++upgrades; };
    rig.ctl->formCreate();
    EXPECT_EQ(rig.history.count(), 0);
    rig.showAt(40);

    EXPECT_EQ(rig.platform.reads, 1);  // the settings file, once
    const MainSettings& s = rig.settings;
    EXPECT_EQ(s.startCounter, 1);
    EXPECT_EQ(rig.placement.left(), 201);
    EXPECT_EQ(rig.placement.top(), 116);
    EXPECT_EQ(rig.fig().priorRunLoad, 0);
    EXPECT_EQ(rig.restAlarm.restInterval(), 60);
    EXPECT_TRUE(s.analysisPanelOpen);
    EXPECT_EQ(rig.view.height, 756);
    EXPECT_TRUE(s.autoUpgradeCheck);
    EXPECT_FALSE(s.historyOn);
    EXPECT_FALSE(s.autoRefreshAtStart);
    EXPECT_FALSE(rig.restAlarm.alarmOn());
    EXPECT_EQ(upgrades, 0);
    EXPECT_TRUE(rig.restTimer.running());
    EXPECT_EQ(rig.platform.createdDirs,
              (QStringList{"/prog/startup", "/prog/favorite", "/prog/desktopimage"}));
    EXPECT_TRUE(rig.platform.fakeDialogs.shown.empty());
    EXPECT_EQ(rig.view.favoritesSet, 1);
    EXPECT_TRUE(rig.view.favorites.isEmpty());
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());

    // Normal exit: everything written back, in order, PriorRunLoad afresh.
    rig.platform.reads = rig.platform.writes = 0;
    rig.platform.loads = {63};
    EXPECT_TRUE(rig.ctl->formClose());
    EXPECT_EQ(rig.platform.writes, 2);  // "res.list", then the whole settings file once
    EXPECT_EQ(written(rig.platform),
              (QStringList{"W my11/SpinEdit1=1", "W W/Autoconnecttheonlinupgrade1=1", "W W/checkbox1=0",
                           "W W/FFFF=0", "W W/FFFF2=0", "W W/left=201", "W W/top=116", "W W/Gauge5=63",
                           "W W/LMDLEDLabel3=60", "W W/RxSpeedButton11=1"}));
    EXPECT_EQ(rig.fig().priorRunLoad, 63);
    EXPECT_EQ(rig.monitorTimer().interval(), 0);
    EXPECT_TRUE(rig.platform.calls.contains(QStringLiteral("minimize")));
}

TEST(StartUp, StoredValuesAreAppliedAsRead) {
    Rig rig;
    store(rig.platform, "W", "checkbox1", "7");
    store(rig.platform, "W", "RxSpeedButton11", "0");
    store(rig.platform, "W", "Autoconnecttheonlinupgrade1", "0");
    store(rig.platform, "W", "FFFF", "2");
    store(rig.platform, "W", "FFFF2", "1");
    store(rig.platform, "W", "left", "0x20");
    store(rig.platform, "W", "top", "-40");
    store(rig.platform, "W", "Gauge5", "250");
    store(rig.platform, "W", "LMDLEDLabel3", "0");
    rig.platform.fakeDialogs.answers = {Answer::No};
    rig.showAt(40);
    const MainSettings& s = rig.settings;
    EXPECT_TRUE(s.historyOn);
    EXPECT_FALSE(s.analysisPanelOpen);
    EXPECT_EQ(rig.view.height, 341);
    EXPECT_FALSE(s.autoUpgradeCheck);
    EXPECT_TRUE(s.autoRefreshAtStart);
    EXPECT_TRUE(rig.restAlarm.alarmOn());
    EXPECT_EQ(rig.placement.left(), 32);
    EXPECT_EQ(rig.placement.top(), -40);
    EXPECT_EQ(rig.fig().priorRunLoad, 100);
    EXPECT_EQ(rig.restAlarm.restInterval(), 0);  // used unchanged
    EXPECT_EQ(rig.platform.reads, 1);

    // Garbage keeps what is in use: the position the view holds, 60 minutes,
    // the switches as they are; "Gauge5" alone falls back to 0.
    Rig junk;
    junk.placement.windowMoved(300, 20);
    for (const char* key : {"checkbox1", "RxSpeedButton11", "FFFF", "left", "top", "Gauge5", "LMDLEDLabel3"})
        store(junk.platform, "W", key, "abc");
    store(junk.platform, "my11", "SpinEdit1", "x1");
    junk.showAt(40);
    EXPECT_EQ(junk.placement.left(), 300);
    EXPECT_EQ(junk.placement.top(), 20);
    EXPECT_EQ(junk.restAlarm.restInterval(), 60);
    EXPECT_EQ(junk.fig().priorRunLoad, 0);
    EXPECT_FALSE(junk.settings.historyOn);
    EXPECT_TRUE(junk.settings.analysisPanelOpen);
    EXPECT_EQ(junk.settings.startCounter, 1);
}

TEST(StartUp, CounterWrapsAndDrivesTheUpgradeCheck) {
    struct Case {
        const char* stored;  // nullptr: key missing
        bool autoUpgrade;
        int counter;
        bool upgrade;
    };
    const Case cases[] = {
        {nullptr, true, 1, false}, {"0", true, 1, false}, {"1", true, 2, true},
        {"1", false, 2, false},    {"2", true, 3, false}, {"4", true, 5, false},
        {"5", true, 0, false},     {"6", true, 0, false}, {"-3", true, -2, false},
        {"0x1", true, 2, true},    {"2147483647", true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        Rig rig;
        if (c.stored) store(rig.platform, "my11", "SpinEdit1", c.stored);
        store(rig.platform, "W", "Autoconnecttheonlinupgrade1", c.autoUpgrade ? "1" : "0");
        int upgrades = 0;
        rig.upgradeCheck = [&] {
            ++upgrades;
            rig.view.events << QStringLiteral("upgrade");
        };
        rig.showAt(40);
        EXPECT_EQ(rig.settings.startCounter, c.counter);
        EXPECT_EQ(upgrades, c.upgrade ? 1 : 0);
        if (c.upgrade) {
            // The check runs before the favourites are listed.
            EXPECT_EQ(rig.view.events, (QStringList{"upgrade", "favorites"}));
        }
    }
}

TEST(StartUp, UpgradeOfferThatClosesTheWindowEndsTheSequence) {
    Rig rig;
    store(rig.platform, "my11", "SpinEdit1", "1");
    store(rig.platform, "W", "FFFF", "1");
    rig.upgradeCheck = [&] { rig.closeMain(); };
    rig.showAt(40);
    EXPECT_TRUE(rig.ctl->closing());
    EXPECT_TRUE(rig.platform.fakeDialogs.shown.empty());  // no refresh question
    EXPECT_EQ(rig.view.favoritesSet, 0);
    EXPECT_EQ(rig.monitorTimer().interval(), 0);
    EXPECT_EQ(written(rig.platform).size(), 10);
}

TEST(StartUp, ShowingAgainRereadsTheStoredValues) {
    Rig rig;
    int upgrades = 0;
    rig.upgradeCheck = [&] { ++upgrades; };
    rig.showAt(40);
    EXPECT_EQ(rig.settings.startCounter, 1);
    rig.restAlarm.setRestInterval(30);         // changed by the buttons
    store(rig.platform, "W", "LMDLEDLabel3", "45");  // what the file holds
    rig.restTimer.stop();

    rig.state.mainShown = false;  // "Hide", then "Show"
    rig.state.mainShown = true;
    rig.platform.reads = 0;
    rig.showAt(70);
    EXPECT_EQ(rig.platform.reads, 1);
    EXPECT_EQ(rig.settings.startCounter, 2);  // counted up from the value in use
    EXPECT_EQ(upgrades, 1);
    EXPECT_EQ(rig.restAlarm.restInterval(), 45);
    EXPECT_TRUE(rig.restTimer.running());
    EXPECT_EQ(rig.fig().startLoad, 70);
    EXPECT_EQ(rig.fig().nowLoad, 70);
}

TEST(StartUp, ProtectionMarkerStopsTheSequence) {
    Rig rig;
    store(rig.platform, "W", "FFFF", "1");
    store(rig.platform, "my11", "SpinEdit1", "1");
    rig.platform.existingFiles << rig.platform.marker;
    int upgrades = 0;
    rig.upgradeCheck = [&] { ++upgrades; };
    rig.showAt(40);
    EXPECT_EQ(upgrades, 1);  // the upgrade check comes before the marker test
    ASSERT_EQ(rig.platform.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(rig.platform.fakeDialogs.shown[0].kind, QStringLiteral("message"));
    EXPECT_EQ(rig.platform.fakeDialogs.shown[0].text,
              QStringLiteral("Some protection software is detected.\r\r Do this after turn off that."));
    EXPECT_EQ(rig.view.favoritesSet, 0);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());
    EXPECT_TRUE(rig.platform.calls.isEmpty());
    EXPECT_EQ(rig.monitorTimer().interval(), 0);
    // The monitor does not run: firing its timer ticks nothing.
    rig.platform.loads = {80};
    EXPECT_FALSE(rig.monitorTimer().fire());
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("20%"));

    // Once per showing.
    rig.showAt(40);
    EXPECT_EQ(rig.platform.fakeDialogs.shown.size(), 2u);
}

TEST(StartUp, RefreshOfferAnsweredYesLogsOffAndCloses) {
    Rig rig;
    store(rig.platform, "W", "FFFF", "1");
    rig.platform.folders[QStringLiteral("/prog/startup")] = {QStringLiteral("a.sh")};
    int soundsAtQuestion = -1;
    rig.platform.fakeDialogs.onShow = [&] { soundsAtQuestion = rig.platform.sounds.size(); };
    rig.platform.fakeDialogs.answers = {Answer::Yes};
    rig.showAt(40);

    ASSERT_EQ(rig.platform.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(rig.platform.fakeDialogs.shown[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(rig.platform.fakeDialogs.shown[0].text,
              QStringLiteral("Will you close all windows on your desktop and \r\rrefresh your memory doing "
                             "restart windows? <<[YES] \r\ror run auto startup exe files you set <<[NO] \r\r "
                             "[Ostra] "));
    EXPECT_EQ(soundsAtQuestion, 1);  // "click.wav" before the question
    EXPECT_EQ(rig.platform.sounds, QStringList{QStringLiteral("/prog/click.wav")});
    // Log-off first, then the window closes, which runs the shutdown sequence.
    EXPECT_EQ(rig.platform.calls, (QStringList{"logoff", "minimize"}));
    EXPECT_TRUE(rig.view.events.contains(QStringLiteral("closeMain")));
    EXPECT_TRUE(rig.ctl->closing());
    EXPECT_EQ(written(rig.platform).size(), 10);
    EXPECT_TRUE(rig.platform.opened.isEmpty());  // no startup list
    // The monitor is not started behind a closed window.
    EXPECT_EQ(rig.monitorTimer().interval(), 0);
}

TEST(StartUp, RefreshOfferAnsweredOtherwiseRunsTheStartupList) {
    for (Answer answer : {Answer::No, Answer::Closed}) {
        Rig rig;
        store(rig.platform, "W", "FFFF", "1");
        rig.platform.folders[QStringLiteral("/prog/startup")] = {QStringLiteral("b.sh"), QStringLiteral("a.sh")};
        rig.platform.fakeDialogs.answers = {answer};
        rig.showAt(40);
        // Every entry of the startup folder opened, before the favourites.
        EXPECT_EQ(rig.platform.opened, (QStringList{"/prog/startup/b.sh", "/prog/startup/a.sh"}));
        EXPECT_TRUE(rig.platform.calls.isEmpty());  // no log-off
        EXPECT_EQ(rig.view.events, (QStringList{"favorites"}));
        EXPECT_EQ(rig.monitorTimer().interval(), 1000);
        EXPECT_FALSE(rig.ctl->closing());
    }
    // Switched off: no question, no cue, no startup list.
    Rig off;
    off.platform.folders[QStringLiteral("/prog/startup")] = {QStringLiteral("a.sh")};
    off.showAt(40);
    EXPECT_TRUE(off.platform.fakeDialogs.shown.empty());
    EXPECT_TRUE(off.platform.sounds.isEmpty());
    EXPECT_TRUE(off.platform.opened.isEmpty());
}

TEST(StartUp, FavouritesAreTheFilesOfTheFavoriteFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir prog(dir.path());
    ASSERT_TRUE(prog.mkpath(QStringLiteral("favorite/sub")));
    for (const char* name : {"favorite/b.desktop", "favorite/A.txt", "favorite/.hidden", "favorite/sub/x"}) {
        QFile f(prog.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    Rig rig(dir.path());
    rig.showAt(40);
    EXPECT_EQ(rig.view.favorites, (QStringList{"A.txt", "b.desktop"}));
}

// --- activation ---------------------------------------------------------------

TEST(Activation, PullsAnOffScreenWindowBackAndPlaysTheStartCue) {
    struct Case {
        int left, top, wantLeft, wantTop;
    };
    const Case cases[] = {
        {1280, 1025, 0, 0},      // beyond both edges
        {1279, 1024, 1279, 1024},  // width - 1 and height exactly: they stay
        {5000, 500, 0, 500},
        {-40, -10, -40, -10},    // negative edges stay
        {-389, -746, -389, -746},  // a pixel of the window still on the screen
        {-390, -747, 0, 0},      // wholly left of and above the screen: back
        {-5000, -5000, 0, 0},
        {-2147483647 - 1, 500, 0, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        Rig rig;
        rig.placement.windowMoved(c.left, c.top);
        rig.ctl->formActivate();
        EXPECT_EQ(rig.placement.left(), c.wantLeft);
        EXPECT_EQ(rig.placement.top(), c.wantTop);
        EXPECT_EQ(rig.platform.sounds, QStringList{QStringLiteral("/prog/start.wav")});
    }
    // A stored left edge beyond a smaller screen is pulled back at activation.
    Rig rig;
    rig.platform.screen = QSize(800, 600);
    store(rig.platform, "W", "left", "1000");
    store(rig.platform, "W", "top", "600");
    rig.showAt(40);
    EXPECT_EQ(rig.placement.left(), 1000);
    rig.ctl->formActivate();
    EXPECT_EQ(rig.placement.left(), 0);
    EXPECT_EQ(rig.placement.top(), 600);
}

// --- creation and shutdown ----------------------------------------------------

TEST(Shutdown, HistoryRoundTripsThroughResList) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString list = dir.filePath(QStringLiteral("res.list"));
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("50% [0] DATETIME:00:00:05\n60% [1] DATETIME:00:01:00");
    }
    Rig rig(dir.path());
    rig.platform.existingFiles << list;
    rig.ctl->formCreate();
    ASSERT_EQ(rig.history.count(), 2);
    EXPECT_EQ(rig.view.historyChangedCount, 1);  // the count display at creation
    store(rig.platform, "W", "checkbox1", "1", dir.path());
    rig.showAt(70);
    rig.tickAt(75);
    rig.ctl->formClose();
    EXPECT_EQ(readAll(list),
              QByteArray("50% [0] DATETIME:00:00:05\r\n60% [1] DATETIME:00:01:00\r\n70% [2] DATETIME:00:00:00\r\n"));
}

TEST(Shutdown, FailedSettingsWriteKeepsTheWholeOldFileButNotTheHistory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Rig rig(dir.path());
    store(rig.platform, "W", "left", "7", dir.path());
    store(rig.platform, "W", "Gauge5", "12", dir.path());
    const QByteArray old = readAll(dir.filePath(QStringLiteral("tevo.ini")));
    rig.settings.historyOn = true;
    rig.showAt(40);
    rig.tickAt(45);
    rig.platform.writesLeft = 1;  // "res.list" is written first, then no more
    rig.platform.loads = {88};
    EXPECT_FALSE(rig.ctl->formClose());
    // Neither a part of the new values nor a damaged file: the old one whole.
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("tevo.ini"))), old);
    EXPECT_EQ(rig.fig().priorRunLoad, 88);  // the fresh reading is still taken
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("res.list"))), QByteArray("40% [0] DATETIME:00:00:00\r\n"));
    EXPECT_TRUE(rig.platform.calls.contains(QStringLiteral("minimize")));
    EXPECT_EQ(rig.monitorTimer().interval(), 0);
}

TEST(Shutdown, UnwritableProgramFolderStillWritesTheSettings) {
    Rig rig(QStringLiteral("/nonexistent-ostra-folder"));
    rig.ctl->formCreate();  // no res.list: an empty list, no message
    EXPECT_EQ(rig.history.count(), 0);
    rig.showAt(40);
    EXPECT_TRUE(rig.ctl->formClose());
    EXPECT_EQ(written(rig.platform, QStringLiteral("/nonexistent-ostra-folder")).size(), 10);
    EXPECT_TRUE(rig.platform.fakeDialogs.shown.empty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/nonexistent-ostra-folder/res.list")));
}

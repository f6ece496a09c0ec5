// What grew since the start point: unit names and desktop names on a
// fixture /proc and XDG tree, the grouping, the ranking and the texts, and
// the watch on the fakes (snapshots off the user-interface thread, the
// notification once per warning opening).
#include "grow/applications.h"
#include "grow/grow_watch.h"
#include "grow/growth.h"
#include "platform/linux/linux_desktop_entries.h"
#include "platform/linux/linux_process_control.h"
#include "platform/linux/linux_process_memory.h"
#include "fakes/fake_platform.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostra {
namespace {

using namespace std::string_literals;

// Arguments as /proc/PID/cmdline holds them, each ended by a NUL.
QByteArray nuls(const std::string& s) { return QByteArray::fromStdString(s); }

using grow::cgroupApplicationId;
using grow::shownName;
using grow::unitApplicationId;

std::string id(const char* unit) {
    const std::optional<QByteArray> v = unitApplicationId(unit);
    return v ? v->toStdString() : std::string("<none>");
}

TEST(GrowUnits, EachShapeGivesItsDesktopIdWithEscapesUndone) {
    // app-[LAUNCHER-]ID-RANDOM.scope
    EXPECT_EQ(id("app-gnome-firefox-1234.scope"), "firefox");
    EXPECT_EQ(id("app-firefox-1234.scope"), "firefox");
    EXPECT_EQ(id("app-gnome-org.gnome.Terminal-98f3.scope"), "org.gnome.Terminal");
    // app-[LAUNCHER-]ID@RANDOM.service
    EXPECT_EQ(id("app-gnome-org.gnome.Nautilus@4e1a.service"), "org.gnome.Nautilus");
    EXPECT_EQ(id("app-code@7.service"), "code");
    // app-[LAUNCHER-]ID.service
    EXPECT_EQ(id("app-kde-org.kde.konsole.service"), "org.kde.konsole");
    EXPECT_EQ(id("app-slack.service"), "slack");
    // \x2d is a dash of the ID itself (any \xNN is undone; a broken one kept).
    EXPECT_EQ(id("app-gnome-my\\x2dtool-77.scope"), "my-tool");
    EXPECT_EQ(id("app-flatpak-com.example.Two\\x2dWords@1.service"), "com.example.Two-Words");
    EXPECT_EQ(id("app-x\\x2.service"), "x\\x2");
    // Not an application unit.
    for (const char* other : {"app.slice", "app-org.gnome.Terminal.slice", "session-2.scope", "dbus.service",
                              "app-.service", "app-1234.scope", "app-gnome-firefox-1234.mount", ""})
        EXPECT_EQ(id(other), "<none>") << other;
}

TEST(GrowUnits, TheUnitOfACgroupFilePrefersTheUnifiedLineAndSurvivesAnyLength) {
    const QByteArray v2 = "12:memory:/user.slice/app-old-9.scope\n"
                          "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-firefox-1234.scope\n";
    EXPECT_EQ(cgroupApplicationId(v2).value_or("<none>"), "firefox");
    // cgroup v1 only: the unit of any line.
    EXPECT_EQ(cgroupApplicationId("4:cpu:/user.slice/app-gnome-gimp-3.scope\n").value_or("<none>"), "gimp");
    // The innermost app unit of a path counts.
    EXPECT_EQ(cgroupApplicationId("0::/app.slice/app-a.service/app-b-1.scope\n").value_or("<none>"), "b");
    EXPECT_FALSE(cgroupApplicationId("0::/init.scope\n"));
    EXPECT_FALSE(cgroupApplicationId("garbage without colons"));
    EXPECT_FALSE(cgroupApplicationId(QByteArray(2 << 20, '/')));
    EXPECT_EQ(cgroupApplicationId("0::/" + QByteArray(1 << 20, 'x') + "/app-long-1.scope").value_or("<none>"),
              "long");
}

TEST(GrowNames, ControlCharactersAndInvalidUtf8AreShownEscaped) {
    EXPECT_EQ(shownName("Firefox"), QStringLiteral("Firefox"));
    EXPECT_EQ(shownName("Caf\xc3\xa9 \xe2\x82\xac"), QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac"));
    EXPECT_EQ(shownName("a\nb\tc\x1b[31m"), QStringLiteral("a\\x0ab\\x09c\\x1b[31m"));
    EXPECT_EQ(shownName("bad\xff\xfe"), QStringLiteral("bad\\xff\\xfe"));
    EXPECT_EQ(shownName("over\xc0\xaflong"), QStringLiteral("over\\xc0\\xaflong"));
    EXPECT_EQ(shownName("cut\xe2\x82"), QStringLiteral("cut\\xe2\\x82"));
    EXPECT_EQ(shownName("sur\xed\xa0\x80"), QStringLiteral("sur\\xed\\xa0\\x80"));
    EXPECT_EQ(shownName("back\\slash"), QStringLiteral("back\\x5cslash"));
    // C1 controls and a right-to-left override: their bytes, not their effect.
    EXPECT_EQ(shownName("c1\xc2\x85"), QStringLiteral("c1\\xc2\\x85"));
    EXPECT_EQ(shownName("txt.\xe2\x80\xae" "exe"), QStringLiteral("txt.\\xe2\\x80\\xaeexe"));
    EXPECT_EQ(shownName(QByteArray(500, 'n'), 10), QString(10, QLatin1Char('n')) + QChar(0x2026));
}

// A fixture /proc and two XDG data folders.
class GrowFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString proc() const { return dir.path() + QStringLiteral("/proc"); }
    QString home() const { return dir.path() + QStringLiteral("/home-share"); }
    QString system() const { return dir.path() + QStringLiteral("/usr-share"); }

    void write(const QString& path, const QByteArray& data) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(data);
    }
    QString pidDir(int pid) { return proc() + QLatin1Char('/') + QString::number(pid); }
    static std::uint64_t startTimeOf(int pid) { return 880000u + std::uint64_t(pid); }
    // A /proc/PID/stat line as the kernel writes it: its command name between
    // parentheses as it is, the start time as its 22nd field.
    static QByteArray statLine(int pid, const QByteArray& comm, std::uint64_t start) {
        return QByteArray::number(pid) + " (" + comm + ") S 1 " + QByteArray::number(pid) + " " +
               QByteArray::number(pid) + " 0 -1 4194560 100 0 0 0 5 3 0 0 20 0 1 0 " + QByteArray::number(start) +
               " 12345678 300 18446744073709551615 1 1 0 0 0 0 0 4096 0 0 0 0 17 1 0 0 0 0 0\n";
    }
    void process(int pid, const QByteArray& cgroup, const char* exe, const QByteArray& comm, int pssKb,
                 int swapKb = 0, const QByteArray& cmdline = QByteArray()) {
        write(pidDir(pid) + QStringLiteral("/cgroup"), cgroup);
        write(pidDir(pid) + QStringLiteral("/cmdline"), cmdline.isNull() ? comm + '\0' : cmdline);
        write(pidDir(pid) + QStringLiteral("/comm"), comm + '\n');
        write(pidDir(pid) + QStringLiteral("/stat"), statLine(pid, comm, startTimeOf(pid)));
        write(pidDir(pid) + QStringLiteral("/smaps_rollup"),
              QByteArray("00400000-7fff0000 ---p 00000000 00:00 0 [rollup]\nRss: 9999 kB\nPss: ") +
                  QByteArray::number(pssKb) + " kB\nPss_Anon: 1 kB\nSwap: 77 kB\nSwapPss: " +
                  QByteArray::number(swapKb) + " kB\n");
        if (exe) {
            ASSERT_EQ(::symlink(exe, QFile::encodeName(pidDir(pid) + QStringLiteral("/exe")).constData()), 0);
        }
    }
    void entry(const QString& folder, const char* file, const QByteArray& text) {
        write(folder + QStringLiteral("/applications/") + QLatin1String(file), text);
    }

    void SetUp() override {
        const QByteArray unitPath = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
        process(100, unitPath + "app-gnome-firefox-1234.scope\n", "/usr/lib/firefox/firefox", "firefox", 1000, 24);
        process(101, unitPath + "app-gnome-firefox-1234.scope\n", "/usr/lib/firefox/firefox", "Web Content", 2048);
        process(102, unitPath + "app-firefox@9.service\n", "/usr/lib/firefox/firefox", "firefox", 1000);
        process(200, "0::/user.slice/session-2.scope\n", "/usr/lib/jvm/bin/java (deleted)", "java", 4096, 0,
                nuls("java\0-version\0"s));
        process(201, "0::/\n", nullptr, "bash", 512);  // no executable link: its command name
        write(pidDir(202) + QStringLiteral("/smaps_rollup"), "");  // a kernel thread: no memory
        write(pidDir(202) + QStringLiteral("/comm"), "kworker/0:1\n");
        QDir().mkpath(pidDir(300));  // ended during the scan: nothing left to read
        process(301, "0::/\n", nullptr, "fifo", 1);
        QFile::remove(pidDir(301) + QStringLiteral("/smaps_rollup"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(pidDir(301) + QStringLiteral("/smaps_rollup")).constData(), 0600), 0);
        process(302, "0::/\n", nullptr, "folder", 1);
        QFile::remove(pidDir(302) + QStringLiteral("/smaps_rollup"));
        QDir().mkpath(pidDir(302) + QStringLiteral("/smaps_rollup"));  // cannot be read as a file
        process(400, "0::/\n", nullptr, "\x1b]0;evil\x07\xff", 64);
        process(401, "0::/\n", nullptr, "a) b (c", 64);  // a command name that looks like fields
        process(500, unitPath + "app-gnome-my\\x2dtool-77.scope\n", "/opt/tool", "tool", 128);
        process(501, unitPath + "app-org.example.Fifo@1.service\n", "/opt/fifo", "fifo", 128);
        process(502, unitPath + "app-gnome-Folder-1.scope\n", "/opt/folder", "folder", 128);
        process(503, unitPath + "app-Huge.service\n", "/opt/huge", "huge", 128);
        process(504, unitPath + "app-Late.service\n", "/opt/late", "late", 128);
        process(505, "0::/" + QByteArray(1 << 20, 'y') + "\n", "/usr/bin/longcg", "longcg", 32);
        // Outside units: named by desktop entries, scripts and comm.
        const auto other = [this](int pid, const char* exe, const QByteArray& comm, const QByteArray& cmdline) {
            process(pid, "0::/\n", exe, comm, 1024, 0, cmdline);
        };
        other(600, "/usr/bin/python3.11", "python3", nuls("python3\0-u\0/home/u/bin/backup.py\0--full\0"s));
        other(601, "/usr/bin/python3.11", "python3", nuls("/usr/bin/python3\0/srv/backup.py\0"s));
        other(602, "/usr/bin/python3.11", "python3", nuls("python3\0-c\0print(1)\0"s));
        other(603, "/usr/bin/python3.11", "meld", nuls("/usr/bin/python3\0/usr/bin/meld\0"s));
        other(604, "/usr/lib/firefox-esr/firefox-esr", "firefox-esr", {});
        other(605, "/opt/code/code", "code", {});
        other(606, "/usr/bin/tryexec-bin", "tryexec-bin", {});
        other(607, "/opt/sig/signal-desktop-bin", "signal-deskto", {});
        other(608, "/memfd:wine-preloader (deleted)", "wineserver", {});
        other(609, "/usr/lib/jvm/java-17/bin/java", "java",
              nuls("java\0-Xmx1g\0-cp\0lib/*\0-jar\0/opt/app/server.jar\0"s));
        other(610, "/usr/bin/bash", "sync.sh", nuls("/bin/bash\0/home/u/sync.sh\0"s));
        other(611, "/usr/bin/dash", "sh", nuls("sh\0-c\0sleep 1\0"s));
        other(612, "/usr/bin/hiddenprog", "hiddenprog", {});
        other(613, "/usr/bin/python3.11", "tool.py", nuls("python3\0/usr/share/tool/tool.py\0"s));
        other(614, "/usr/bin/dupe", "dupe", {});
        other(615, "/usr/bin/python3.11", "python3", {});
        QFile::remove(pidDir(615) + QStringLiteral("/cmdline"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(pidDir(615) + QStringLiteral("/cmdline")).constData(), 0600), 0);
        other(616, "/usr/bin/perl", "perl", nuls("perl\0"s) + QByteArray(1 << 20, 'p') + '\0');
        entry(system(), "meld.desktop", "[Desktop Entry]\nName=Meld\nExec=meld %F\n");
        entry(system(), "firefox-esr.desktop", "[Desktop Entry]\nName=Firefox ESR\nExec=/usr/lib/firefox-esr/firefox-esr %u\n");
        entry(system(), "code.desktop", "[Desktop Entry]\nName=Visual Studio Code\n"
                                        "Exec=env GDK_BACKEND=x11 \"/opt/code/code\" --unity-launch %F\n");
        entry(system(), "try.desktop", "[Desktop Entry]\nName=Try\nTryExec=/usr/bin/tryexec-bin\nExec=start-try\n");
        entry(system(), "signal.desktop", "[Desktop Entry]\nName=Signal\nExec=/opt/sig/signal-start\n"
                                          "StartupWMClass=Signal-Desktop-Bin\n");
        entry(home(), "hidden.desktop", "[Desktop Entry]\nHidden=true\n");
        entry(system(), "hidden.desktop", "[Desktop Entry]\nName=Shadowed\nExec=hiddenprog\n");
        entry(system(), "pytool.desktop", "[Desktop Entry]\nName=Py Tool\nTryExec=python3\n"
                                          "Exec=python3 /usr/share/tool/tool.py\n");
        entry(system(), "a-helper.desktop", "[Desktop Entry]\nName=Helper\nNoDisplay=true\nExec=dupe\n");
        entry(system(), "z-main.desktop", "[Desktop Entry]\nName=Main\nExec=dupe --main\n");
        entry(system(), "sub/nested.desktop", "[Desktop Entry]\nName=Nested\n");
        ASSERT_EQ(::mkfifo(QFile::encodeName(system() + QStringLiteral("/applications/pipe.desktop")).constData(),
                           0600),
                  0);

        write(proc() + QStringLiteral("/self/comm"), "self\n");
        write(proc() + QStringLiteral("/12ab/comm"), "x\n");

        // The user's entry hides the system's; only [Desktop Entry]'s plain Name.
        entry(home(), "firefox.desktop", "[Desktop Action new]\nName=New Window\n[Desktop Entry]\n"
                                         "Name[de]=Feuerfuchs\nName = Firefox\nExec=firefox\n");
        entry(system(), "firefox.desktop", "[Desktop Entry]\nName=System Firefox\n");
        entry(system(), "my-tool.desktop", "[Desktop Entry]\nName=My \x01Tool\n");
        QDir().mkpath(home() + QStringLiteral("/applications"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(home() + QStringLiteral("/applications/org.example.Fifo.desktop"))
                               .constData(),
                           0600),
                  0);
        QDir().mkpath(home() + QStringLiteral("/applications/Folder.desktop"));
        // 100 MB (sparse): its name at the start is found, one past 64 KiB is not.
        for (const char* name : {"Huge.desktop", "Late.desktop"}) {
            const bool late = QByteArray(name) == "Late.desktop";
            const QByteArray text = "[Desktop Entry]\n" + QByteArray(late ? 70000 : 0, '#') + "\nName=Big One\n";
            entry(system(), name, text);
            QFile f(system() + QStringLiteral("/applications/") + QLatin1String(name));
            ASSERT_TRUE(f.resize(100 << 20));
        }
    }
};

TEST_F(GrowFixture, ScanReadsEveryProcessItCanAndCountsTheUnreadable) {
    LinuxProcessMemory memory(proc());
    const ProcessScan scan = memory.scan();
    QMap<int, ProcessRecord> byPid;
    for (const ProcessRecord& p : scan.processes) byPid.insert(p.pid, p);
    EXPECT_EQ(byPid.keys(), (QList<int>{100, 101, 102, 200, 201, 400, 401, 500, 501, 502, 503, 504, 505, 600, 601, 602,
                                        603, 604, 605, 606, 607, 608, 609, 610, 611, 612, 613, 614, 615, 616}));
    EXPECT_EQ(scan.unreadable, 2) << "the FIFO and the folder in place of smaps_rollup";
    EXPECT_EQ(byPid[100].bytes, 1024 * 1024) << "Pss + SwapPss";
    EXPECT_EQ(byPid[100].executable, "firefox");
    EXPECT_EQ(byPid[200].executable, "java") << "a deleted executable keeps its name";
    EXPECT_EQ(byPid[201].executable, "");
    EXPECT_EQ(byPid[201].command, "bash");
    // The start time of each, past a command name with blanks and parentheses.
    for (const ProcessRecord& p : scan.processes) EXPECT_EQ(p.startTime, startTimeOf(p.pid)) << p.pid;
    EXPECT_EQ(byPid[401].command, "a) b (c");
    EXPECT_LE(byPid[505].cgroup.size(), LinuxProcessMemory::kMaxCgroupBytes);

    EXPECT_EQ(byPid[600].commandLine, nuls("python3\0-u\0/home/u/bin/backup.py\0--full\0"s))
        << "an interpreter's arguments";
    EXPECT_EQ(byPid[604].commandLine, "") << "read only for an interpreter";
    EXPECT_EQ(byPid[608].executable, "") << "an in-memory executable is none";
    EXPECT_EQ(byPid[608].command, "wineserver");
    EXPECT_EQ(byPid[615].commandLine, "") << "a FIFO in place of cmdline is not read";
    EXPECT_EQ(byPid[616].commandLine.size(), LinuxProcessMemory::kMaxCommandLineBytes);

    LinuxDesktopEntries entries({home(), system()});
    grow::AppIndex index(entries);
    index.refresh();
    const auto nameOf = [&](const char* id) {
        const grow::AppIndex::Entry* e = index.byId(id);
        return e ? e->name : QByteArray();
    };
    EXPECT_EQ(nameOf("firefox"), "Firefox");
    EXPECT_EQ(nameOf("Huge"), "Big One");
    EXPECT_EQ(nameOf("Late"), "") << "read only as far as 64 KiB";
    EXPECT_EQ(nameOf("org.example.Fifo"), "") << "a FIFO is never opened";
    EXPECT_EQ(nameOf("pipe"), "");
    EXPECT_EQ(nameOf("Folder"), "");
    EXPECT_EQ(nameOf("../applications/firefox"), "");
    EXPECT_EQ(nameOf("hidden"), "") << "deleted by the user's Hidden=true";
    EXPECT_EQ(nameOf("sub-nested"), "Nested") << "a subfolder joins the ID with a dash";
}

TEST_F(GrowFixture, ProcessesAreGroupedIntoNamedApplications) {
    LinuxProcessMemory memory(proc());
    LinuxDesktopEntries entries({home(), system()});
    grow::AppIndex index(entries);
    const grow::Snapshot s = grow::GrowWatch::collect(memory, index);
    QMap<QString, grow::AppMemory> byName;
    QMap<QString, QString> keyOf;
    for (auto it = s.apps.cbegin(); it != s.apps.cend(); ++it) {
        byName.insert(it->name, *it);
        keyOf.insert(it->name, it.key());
    }
    EXPECT_EQ(byName.keys(),
              (QStringList{QStringLiteral("Big One"), QStringLiteral("Firefox"), QStringLiteral("Firefox ESR"),
                           QStringLiteral("Folder"), QStringLiteral("Late"), QStringLiteral("Main"),
                           QStringLiteral("Meld"), QStringLiteral("My \\x01Tool"), QStringLiteral("Py Tool"),
                           QStringLiteral("Signal"), QStringLiteral("Try"), QStringLiteral("Visual Studio Code"),
                           QStringLiteral("\\x1b]0;evil\\x07\\xff"), QStringLiteral("a) b (c"), QStringLiteral("bash"),
                           QStringLiteral("bash: sync.sh"), QStringLiteral("dash"), QStringLiteral("hiddenprog"),
                           QStringLiteral("java"), QStringLiteral("java: server.jar"), QStringLiteral("longcg"),
                           QStringLiteral("org.example.Fifo"), QStringLiteral("perl: ") + QString(74, QLatin1Char('p')) +
                               QChar(0x2026),
                           QStringLiteral("python3.11"), QStringLiteral("python3: backup.py"),
                           QStringLiteral("wineserver")}));
    // The scope's two processes and the service of the same ID: one application.
    EXPECT_EQ(byName[QStringLiteral("Firefox")].processes, 3);
    EXPECT_EQ(byName[QStringLiteral("Firefox")].bytes, qint64(1024 + 2048 + 1000) * 1024);
    EXPECT_EQ(byName[QStringLiteral("java")].bytes, qint64(4096) * 1024);
    EXPECT_EQ(s.unreadable, 2);
    // Two scripts of one name, wherever they lie, are one application; code
    // given inline and an unreadable command line leave the interpreter.
    EXPECT_EQ(byName[QStringLiteral("python3: backup.py")].processes, 2);
    EXPECT_EQ(byName[QStringLiteral("python3.11")].processes, 2);
    EXPECT_EQ(keyOf[QStringLiteral("python3: backup.py")], QStringLiteral("script:python3:backup.py"));
    EXPECT_EQ(keyOf[QStringLiteral("Firefox ESR")], QStringLiteral("app:firefox-esr"));
    EXPECT_EQ(keyOf[QStringLiteral("Firefox")], QStringLiteral("unit:firefox"));
    EXPECT_EQ(keyOf[QStringLiteral("wineserver")], QStringLiteral("exe:wineserver"));
}

// The index is read once and again only when the entries' folders change.
TEST_F(GrowFixture, TheIndexOfEntriesIsReadAgainOnlyWhenTheirFoldersChange) {
    LinuxDesktopEntries entries({home(), system()});
    grow::AppIndex index(entries);
    index.refresh();
    index.refresh();
    EXPECT_EQ(index.reads(), 1);
    EXPECT_EQ(index.byProgram("newprog"), nullptr);
    entry(home(), "new.desktop", "[Desktop Entry]\nName=New One\nExec=newprog\n");
    index.refresh();
    EXPECT_EQ(index.reads(), 2);
    ASSERT_NE(index.byProgram("newprog"), nullptr);
    EXPECT_EQ(index.byProgram("newprog")->name, "New One");
    entry(system(), "sub/later.desktop", "[Desktop Entry]\nName=Later\n");
    index.refresh();
    EXPECT_EQ(index.reads(), 3) << "a subfolder is watched too";
    ASSERT_NE(index.byId("sub-later"), nullptr);

    FakeDesktopEntries fake;
    grow::AppIndex cached(fake);
    for (int i = 0; i < 3; ++i) cached.refresh();
    EXPECT_EQ(fake.reads, 1);
    fake.set({{QStringLiteral("x"), "X", "", "xprog", "", true, false, false}});
    cached.refresh();
    EXPECT_EQ(fake.reads, 2);
    ASSERT_NE(cached.byProgram("xprog"), nullptr);
}

TEST(GrowScripts, TheScriptOfEachInterpreterPastItsOptions) {
    const auto script = [](const char* base, std::initializer_list<const char*> args) {
        QByteArrayList list;
        for (const char* a : args) list << a;
        return grow::interpreterScript(base, list).value_or("<none>").toStdString();
    };
    EXPECT_EQ(script("python3.11", {"-u", "-W", "ignore", "/x/backup.py", "-v"}), "/x/backup.py");
    EXPECT_EQ(script("python3", {"-m", "http.server", "8000"}), "http.server");
    EXPECT_EQ(script("python3", {"-OOmhttp.server"}), "http.server");
    EXPECT_EQ(script("python3", {"-Bc", "import x"}), "<none>");
    EXPECT_EQ(script("python3", {}), "<none>");
    EXPECT_EQ(script("perl", {"-Mstrict", "-I", "lib", "tool.pl"}), "tool.pl");
    EXPECT_EQ(script("perl", {"-wle", "print 1"}), "<none>");
    EXPECT_EQ(script("ruby3.1", {"-r", "json", "app.rb"}), "app.rb");
    EXPECT_EQ(script("node", {"--require", "ts-node", "--max-old-space-size=4096", "server.js"}), "server.js");
    EXPECT_EQ(script("node", {"-e", "1"}), "<none>");
    EXPECT_EQ(script("java", {"-Xmx1g", "-cp", "a.jar:b.jar", "com.example.Main"}), "com.example.Main");
    EXPECT_EQ(script("java", {"-jar", "/opt/app.jar"}), "/opt/app.jar");
    EXPECT_EQ(script("bash", {"-o", "errexit", "--", "run.sh"}), "run.sh");
    EXPECT_EQ(script("dash", {"-ec", "exit 0"}), "<none>");
    EXPECT_EQ(script("sh", {"-"}), "<none>");
    EXPECT_EQ(grow::interpreterLabel("python3.11"), "python3");
    EXPECT_EQ(grow::interpreterLabel("dash"), "sh");
    EXPECT_EQ(grow::execArguments(R"(env A=1 "/opt/my app/run" --x=\"q\" %U)"),
              (QByteArrayList{"env", "A=1", "/opt/my app/run", "--x=\"q\"", "%U"}));
}

TEST(GrowRealProc, ThisProcessIsFoundWithItsExecutable) {
    LinuxProcessMemory memory;
    const ProcessScan scan = memory.scan();
    const auto self = std::find_if(scan.processes.begin(), scan.processes.end(),
                                   [](const ProcessRecord& p) { return p.pid == int(::getpid()); });
    ASSERT_NE(self, scan.processes.end());
    EXPECT_EQ(self->executable, "unit_tests");
    EXPECT_GT(self->bytes, 1 << 20);
    const std::optional<ProcessFacts> facts = LinuxProcessControl().facts(int(::getpid()));
    ASSERT_TRUE(facts);
    EXPECT_EQ(self->startTime, facts->startTime) << "what a signal is checked against later";
}

// Real interpreters, as /proc shows them: a Python script started with
// options and the same one started by its "#!" line through `env` are one
// application; a desktop entry in a fixture folder names another script.
TEST(GrowRealProc, AnInterpretersProcessIsNamedByItsScript) {
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("zebra_backup.py"));
    const QString other = dir.filePath(QStringLiteral("zebra_sync.py"));
    for (const QString& path : {script, other}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/usr/bin/env python3\nimport time\ntime.sleep(60)\n");
        f.close();
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QDir().mkpath(dir.filePath(QStringLiteral("share/applications")));
    QFile entry(dir.filePath(QStringLiteral("share/applications/zebra-sync.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Zebra Sync\nExec=zebra_sync.py\n");
    entry.close();
    std::vector<pid_t> children;
    const auto start = [&](std::vector<const char*> argv) {
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("PATH", "/usr/bin:/bin", 1);  // Debian's python3, not a wrapper of it
            ::execvp(argv[0], const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        children.push_back(pid);
    };
    const QByteArray scriptPath = QFile::encodeName(script), otherPath = QFile::encodeName(other);
    start({"python3", "-u", scriptPath.constData()});
    start({scriptPath.constData()});
    start({otherPath.constData()});
    QThread::msleep(500);  // past their exec
    LinuxProcessMemory memory;
    LinuxDesktopEntries entries({dir.filePath(QStringLiteral("share"))});
    grow::AppIndex index(entries);
    const grow::Snapshot s = grow::GrowWatch::collect(memory, index);
    for (pid_t pid : children) ::kill(pid, SIGKILL);
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    const grow::AppMemory backup = s.apps.value(QStringLiteral("script:python3:zebra_backup.py"));
    EXPECT_EQ(backup.name, QStringLiteral("python3: zebra_backup.py"));
    EXPECT_EQ(backup.processes, 2);
    EXPECT_EQ(s.apps.value(QStringLiteral("app:zebra-sync")).name, QStringLiteral("Zebra Sync"));
    EXPECT_EQ(s.apps.value(QStringLiteral("app:zebra-sync")).processes, 1);
}

// Hundreds of processes are shared out among the scan's workers: each one
// comes back once, in the order of its number, with what was read of it.
TEST(GrowRealProc, EveryProcessOnceWhateverWorkerReadIt) {
    std::vector<pid_t> children;
    for (int i = 0; i < 300; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (;;) ::pause();
        }
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    LinuxProcessMemory memory;
    const ProcessScan scan = memory.scan();
    for (pid_t pid : children) ::kill(pid, SIGKILL);
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(std::is_sorted(scan.processes.begin(), scan.processes.end(),
                               [](const ProcessRecord& x, const ProcessRecord& y) { return x.pid <= y.pid; }));
    QMap<int, int> seen;
    for (const ProcessRecord& p : scan.processes) {
        if (std::find(children.begin(), children.end(), p.pid) == children.end()) continue;
        ++seen[p.pid];
        EXPECT_EQ(p.executable, "unit_tests");
        EXPECT_GT(p.bytes, 0);
    }
    EXPECT_EQ(seen.size(), qsizetype(children.size()));
    for (int n : seen) ASSERT_EQ(n, 1);
}

grow::Snapshot snap(std::initializer_list<std::tuple<const char*, double, int>> apps) {
    grow::Snapshot s;
    for (const auto& [name, mib, n] : apps)
        s.apps.insert(QLatin1String(name), {QLatin1String(name), std::int64_t(mib * 1024 * 1024), n, {}, {}});
    return s;
}

TEST(GrowRanking, LargestGrowthFirstWithNewAndEndedApplicationsAndTheirTexts) {
    const grow::Snapshot start = snap({{"Alpha", 100, 2}, {"Beta", 50, 1}, {"Gone", 10, 3}});
    const grow::Snapshot now = snap({{"Alpha", 150, 2}, {"Beta", 40, 1}, {"New", 2048 + 300, 4}});
    const std::vector<grow::GrowthRow> rows = grow::ranked(start, now);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(grow::rowTexts(rows[0]), (QStringList{"New", "0.0 MiB", "2.3 GiB", "+2.3 GiB", "4"}));
    EXPECT_EQ(grow::rowTexts(rows[1]), (QStringList{"Alpha", "100.0 MiB", "150.0 MiB", "+50.0 MiB", "2"}));
    // Equal growth: by name.
    EXPECT_EQ(grow::rowTexts(rows[2]), (QStringList{"Beta", "50.0 MiB", "40.0 MiB", "-10.0 MiB", "1"}));
    EXPECT_EQ(grow::rowTexts(rows[3]), (QStringList{"Gone", "10.0 MiB", "ended", "-10.0 MiB", "0"}));
    EXPECT_EQ(rows[0].key, QStringLiteral("New"));
    EXPECT_EQ(rows[3].key, QStringLiteral("Gone"));
    EXPECT_EQ(grow::notificationBody(rows, QStringLiteral("08:24")), QStringLiteral("New +2.3 GiB"))
        << "only what grew by 64 MiB or more";
    const std::vector<grow::GrowthRow> many = grow::ranked(
        snap({{"b", 1, 1}, {"old", 4000, 1}}),
        snap({{"a", 64, 1}, {"b", 65, 1}, {"c", 63.99, 1}, {"d", 300, 1}, {"e", 100, 1}}));
    EXPECT_EQ(grow::notificationBody(many, QStringLiteral("08:24")), QStringLiteral("d +300.0 MiB, e +100.0 MiB, a +64.0 MiB"))
        << "at most three; 64 MiB is enough, a byte less is not";
    // Nothing grew that much: the three largest now (an ended one is not).
    const std::vector<grow::GrowthRow> calm = grow::ranked(
        snap({{"Firefox", 2100, 9}, {"Code", 880, 3}, {"java", 300, 1}, {"tiny", 1, 1}, {"gone", 5000, 1}}),
        snap({{"Firefox", 2150, 9}, {"Code", 900, 3}, {"java", 310, 1}, {"tiny", 2, 1}}));
    EXPECT_EQ(grow::notificationBody(calm, QStringLiteral("08:24")),
              QStringLiteral("Nothing grew by 64 MiB since 08:24. Largest now: Firefox 2.1 GiB, Code 900.0 MiB, "
                             "java 310.0 MiB"));
    EXPECT_EQ(grow::notificationBody({}, QString()), QStringLiteral("Nothing grew by 64 MiB."));
    EXPECT_EQ(grow::notificationSummary(96), QStringLiteral("Memory load 96%"));
    EXPECT_EQ(grow::columnTitles(), (QStringList{"Application", "At the start point", "Now", "Growth", "Processes"}));
}

TEST(GrowTexts, SizesInMibOrGibWithOneDecimalAndASignedGrowth) {
    constexpr std::int64_t MiB = 1024 * 1024;
    EXPECT_EQ(grow::sizeText(0), QStringLiteral("0.0 MiB"));
    EXPECT_EQ(grow::sizeText(MiB * 3 / 2), QStringLiteral("1.5 MiB"));
    EXPECT_EQ(grow::sizeText(1023 * MiB), QStringLiteral("1023.0 MiB"));
    EXPECT_EQ(grow::sizeText(1024 * MiB - MiB / 50), QStringLiteral("1.0 GiB")) << "1023.98 MiB rounds up";
    EXPECT_EQ(grow::sizeText(1946 * MiB), QStringLiteral("1.9 GiB"));
    EXPECT_EQ(grow::growthText(420 * MiB), QStringLiteral("+420.0 MiB"));
    EXPECT_EQ(grow::growthText(-2048 * MiB), QStringLiteral("-2.0 GiB"));
    EXPECT_EQ(grow::growthText(1000), QStringLiteral("0.0 MiB"));
    EXPECT_EQ(grow::startPointText(9, 5, 7, 43), QStringLiteral("Start point: 09:05:07, load 43%"));
    EXPECT_EQ(grow::unreadableText(3), QStringLiteral("3 processes of other users or hidden"));
    EXPECT_EQ(grow::unreadableText(1), QStringLiteral("1 process of other users or hidden"));
}

ProcessScan fakeScan(std::initializer_list<std::pair<const char*, int>> exeMiB, int unreadable = 0) {
    ProcessScan s;
    int pid = 10;
    for (const auto& [exe, mib] : exeMiB) {
        s.processes.push_back({pid, "0::/\n", exe, exe, std::int64_t(mib) << 20, {}, std::uint64_t(pid) * 100});
        ++pid;
    }
    s.unreadable = unreadable;
    return s;
}

// The scans block on the worker until the test lets them go, proving they
// run off the calling thread.
class SlowMemory : public FakeProcessMemory {
public:
    ProcessScan scan() override {
        thread = QThread::currentThread();
        while (!go.load()) QThread::msleep(1);
        return FakeProcessMemory::scan();
    }
    std::atomic<bool> go{false};
    std::atomic<QThread*> thread{nullptr};
};

TEST(GrowWatchTest, SnapshotsRunOffTheCallerAndTheWarningNotifiesOnce) {
    SlowMemory memory;
    FakeDesktopEntries entries;
    FakeNotifier notifier;
    FakeClock clock;
    clock.now = {14, 2, 7};
    grow::GrowWatch watch({memory, entries, notifier, clock});
    QSignalSpy changed(&watch, &grow::GrowWatch::changed);
    QSignalSpy open(&watch, &grow::GrowWatch::openRequested);

    memory.set(fakeScan({{"editor", 100}, {"shell", 10}}, 2));
    watch.markStart(43);
    EXPECT_EQ(changed.size(), 0) << "the call returned before its scan";
    memory.go = true;
    watch.waitForScans();
    EXPECT_NE(memory.thread.load(), QThread::currentThread());
    EXPECT_EQ(watch.startPointText(), QStringLiteral("Start point: 14:02:07, load 43%"));
    ASSERT_EQ(watch.rows().size(), 2u);
    EXPECT_EQ(watch.rows()[0].growth, 0);

    // The window opens: a scan at once, then one per 5 s while it is open.
    memory.set(fakeScan({{"editor", 100}, {"shell", 10}, {"hog", 1024}}, 3));
    watch.setWatching(true);
    watch.waitForScans();
    ASSERT_EQ(watch.rows().size(), 3u);
    EXPECT_EQ(watch.rows()[0].name, QStringLiteral("hog"));
    EXPECT_EQ(watch.unreadable(), 3);
    ASSERT_EQ(clock.timers.size(), 1u);
    EXPECT_EQ(clock.timers[0]->interval(), grow::GrowWatch::kRefreshMs);
    memory.set(fakeScan({{"editor", 300}}));
    const int scans = memory.scans;
    clock.timers[0]->fire();
    watch.waitForScans();
    EXPECT_EQ(memory.scans, scans + 1);
    EXPECT_EQ(grow::rowTexts(watch.rows()[0]), (QStringList{"editor", "100.0 MiB", "300.0 MiB", "+200.0 MiB", "1"}));
    EXPECT_EQ(grow::rowTexts(watch.rows()[1]), (QStringList{"shell", "10.0 MiB", "ended", "-10.0 MiB", "0"}));
    watch.setWatching(false);
    EXPECT_EQ(clock.timers[0]->interval(), 0) << "nothing runs once the window is closed";

    // A warning opening: one notification naming what grew; its action asks
    // for the window.
    memory.set(fakeScan({{"editor", 100}, {"shell", 10}, {"hog", 1024}}));
    watch.warningOpened(97);
    watch.waitForScans();
    ASSERT_EQ(notifier.sent.size(), 1u);
    EXPECT_EQ(notifier.sent[0].summary, QStringLiteral("Memory load 97%"));
    EXPECT_EQ(notifier.sent[0].body, QStringLiteral("hog +1.0 GiB"));
    EXPECT_EQ(notifier.sent[0].action, QStringLiteral("What grew"));
    notifier.lastChosen();
    EXPECT_EQ(open.size(), 1);
    // Nothing grew by 64 MiB since the start point: the largest instead.
    memory.set(fakeScan({{"editor", 150}, {"shell", 10}}));
    watch.warningOpened(96);
    watch.waitForScans();
    ASSERT_EQ(notifier.sent.size(), 2u);
    EXPECT_EQ(notifier.sent[1].body,
              QStringLiteral("Nothing grew by 64 MiB since 14:02. Largest now: editor 150.0 MiB, shell 10.0 MiB"));
    // Turned off: none.
    watch.setNotifyOn(false);
    watch.warningOpened(97);
    watch.waitForScans();
    EXPECT_EQ(notifier.sent.size(), 2u);
}

}  // namespace
}  // namespace ostra

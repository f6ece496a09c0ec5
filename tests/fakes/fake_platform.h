// Scripted fakes of the platform roles for the tests, and FakePlatform,
// which plays every role at once: memory loads come from a queue, the
// clock and the timers are driven by hand, dialogs are answered from a
// queue and every call that matters is logged.
#pragma once

#include "fakes/fake_act.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_export.h"
#include "platform/services.h"

#include <QMap>
#include <QStringList>

#include <deque>
#include <mutex>
#include <vector>
#include <memory>

namespace ostra {

// Calls of every role in one order.
struct FakeCallLog {
    FakeCallLog() = default;
    FakeCallLog(const FakeCallLog&) = delete;
    FakeCallLog& operator=(const FakeCallLog&) = delete;
    QStringList calls;
};

class FakeLoadSource : public LoadSource, public virtual FakeCallLog {
public:
    // Script: loads handed out in order; the last one repeats. kFail
    // stands for a reading that fails.
    std::optional<int> memoryLoad() override {
        ++loadReads;
        const int v = loads.front();
        if (loads.size() > 1) loads.pop_front();
        if (v == kFail) return std::nullopt;
        return v;
    }
    std::int64_t totalMemoryBytes() override { return totalBytes; }
    static constexpr int kFail = -2147483647 - 1;
    std::deque<int> loads{50};
    int loadReads = 0;
    std::int64_t totalBytes = std::int64_t(24) << 30;
};

// Pressure figures handed out in order, the last one repeating; kNone
// stands for a kernel without the figure.
class FakePressureSource : public PressureSource {
public:
    std::optional<int> memorySomeAvg10() override {
        ++pressureReads;
        const int v = pressures.front();
        if (pressures.size() > 1) pressures.pop_front();
        if (v == kNone) return std::nullopt;
        return v;
    }
    static constexpr int kNone = -1;
    std::deque<int> pressures{kNone};
    int pressureReads = 0;
};

class FakeSoundPlayer : public SoundPlayer, public virtual FakeCallLog {
public:
    void play(const QString& path) override { sounds << path; }
    QStringList sounds;  // every path played
};

// Files on the disk where their folder exists, else in memory; a marker
// list answers fileExists too; writes can be made to fail.
class FakeFiles : public Files, public virtual FakeCallLog {
public:
    bool createDirectory(const QString& path) override;
    bool fileExists(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) override;
    bool replaceFile(const QString& path, const QByteArray& data) override;
    // A failed write answers writeError.
    std::optional<QString> replaceFileError(const QString& path, const QByteArray& data) override {
        if (replaceFile(path, data)) return std::nullopt;
        return writeError;
    }
    std::optional<QStringList> listFolder(const QString& folder) override;
    bool setCurrentFolder(const QString& folder) override;

    QStringList existingFiles;  // answered true by fileExists()
    QStringList createdDirs;
    QMap<QString, QByteArray> memory;  // files of folders that do not exist
    QMap<QString, QStringList> folders;  // listFolder answers for such folders
    QString currentFolder;
    bool failWrites = false;
    QString writeError = QStringLiteral("Input/output error");
    int writesLeft = -1;  // >= 0: that many more writes succeed
    int reads = 0;
    int writes = 0;
};

class FakeShell : public Shell, public virtual FakeCallLog {
public:
    bool open(const QString& pathOrUrl) override {
        opened << pathOrUrl;
        return true;
    }
    QStringList opened;
};

class FakeProcesses : public Processes, public virtual FakeCallLog {
public:
    ProcessHandle start(const QString& path) override {
        started << path;
        if (failStart) return 0;
        return started.size();
    }
    bool terminate(ProcessHandle handle) override {
        calls << QStringLiteral("terminate %1").arg(handle);
        return !alreadyEnded && handle > 0 && handle <= started.size();
    }
    ProcessUsage usage(ProcessHandle) override { return nextUsage; }
    QStringList started;
    bool failStart = false;
    bool alreadyEnded = false;
    ProcessUsage nextUsage;
};

class FakeSession : public Session, public virtual FakeCallLog {
public:
    bool forceLogOff() override {
        calls << QStringLiteral("logoff");
        return true;
    }
    QString protectionMarkerPath() override { return marker; }
    QString marker = QStringLiteral("/nonexistent/qzx.a");
};

class FakeDownloads : public Downloads, public virtual FakeCallLog {
public:
    // Each fetch waits in `pending` until the test finishes it.
    struct Pending {
        QString url, target;
        std::function<void(bool)> done;
    };
    void fetch(const QString& url, const QString& target, std::function<void(bool)> done) override {
        calls << QStringLiteral("download %1 %2").arg(url, target);
        pending.push_back({url, target, std::move(done)});
    }
    std::deque<Pending> pending;
};

class FakeWindowServices : public WindowServices, public virtual FakeCallLog {
public:
    QSize screenSize() override { return screen; }
    void skipTaskbar(QWidget*) override { calls << QStringLiteral("skipTaskbar"); }
    void minimizeApplication() override {
        calls << QStringLiteral("minimize");
        minimized = true;
    }
    void restoreApplication() override {
        calls << QStringLiteral("restore");
        minimized = false;
    }
    bool isApplicationMinimized() override { return minimized; }
    QSize screen{1280, 1024};
    bool minimized = false;
};

// Processes scripted by the test; scan() runs on the scanning worker, so
// the script is guarded.
class FakeProcessMemory : public ProcessMemory {
public:
    ProcessScan scan() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++scans;
        return script;
    }
    void set(ProcessScan s) {
        std::lock_guard<std::mutex> lock(mutex);
        script = std::move(s);
    }
    std::mutex mutex;
    ProcessScan script;
    int scans = 0;
};

// Desktop entries scripted by the test; `changed()` moves the stamp on, as
// an entry added or removed does. Called on the scanning worker: guarded.
class FakeDesktopEntries : public DesktopEntries {
public:
    std::vector<DesktopEntry> read() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++reads;
        return entries;
    }
    QByteArray stamp() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++stamps;
        return QByteArray::number(generation);
    }
    void set(std::vector<DesktopEntry> e) {
        std::lock_guard<std::mutex> lock(mutex);
        entries = std::move(e);
        ++generation;
    }
    std::mutex mutex;
    std::vector<DesktopEntry> entries;
    int generation = 0;
    int reads = 0;
    int stamps = 0;
};

// Notifications kept as sent; the test picks the action by hand.
class FakeNotifier : public DesktopNotifier {
public:
    struct Sent {
        QString summary, body, action;
        QStringList more;  // the labels of the actions after the first
    };
    using DesktopNotifier::notify;
    void notify(const QString& summary, const QString& body, std::vector<NotificationAction> actions) override {
        Sent s{summary, body, actions.empty() ? QString() : actions.front().label, {}};
        lastActions.clear();
        for (std::size_t i = 0; i < actions.size(); ++i) {
            if (i > 0) s.more << actions[i].label;
            lastActions.push_back(actions[i].chosen);
        }
        lastChosen = lastActions.empty() ? std::function<void()>() : lastActions.front();
        sent.push_back(std::move(s));
    }
    std::vector<Sent> sent;
    std::function<void()> lastChosen;
    std::vector<std::function<void()>> lastActions;
};

class FakePlatform : public FakeLoadSource,
                     public FakeSoundPlayer,
                     public FakeFiles,
                     public FakeShell,
                     public FakeProcesses,
                     public FakeSession,
                     public FakeDownloads,
                     public FakeClock,
                     public FakeWindowServices,
                     public FakePressureSource {
public:
    FakePlatform();
    ~FakePlatform() override;
    Services& services() { return *services_; }

    // The settings file of a program folder, read and written as a test
    // would by hand.
    QString ini(const QString& folder, const char* section, const char* key) const;
    bool hasIni(const QString& folder, const char* section, const char* key) const;
    void setIni(const QString& folder, const char* section, const char* key, const QString& value);
    // Every key of the settings file in file order, as "W section/key=value".
    QStringList iniEntries(const QString& folder) const;

    FakeDialogs fakeDialogs;
    FakeProcessMemory processMemory;
    FakeDesktopEntries desktopEntries;
    FakeNotifier notifier;
    FakeProcessControl processControl;
    FakeUserUnits userUnits;
    FakeAppWindows appWindows;
    FakeDesktopPeers desktopPeers;
    FakeKernelCounters kernelCounters;
    FakeJournal journal;
    FakeCollectorFolder collectorFolder;

private:
    QByteArray iniContent(const QString& folder) const;
    std::unique_ptr<Services> services_;
};

}  // namespace ostra

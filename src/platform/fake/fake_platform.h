// A scripted platform for tests: memory loads come from a queue, the clock
// and the timers are driven by hand, dialogs are answered from a queue and
// every call that matters is logged.
#pragma once

#include "platform/platform.h"

#include <QMap>

#include <deque>
#include <vector>

namespace ostra {

class FakeTimer;

class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "message", "error", "confirm", "open", "save"
        QString text;  // text or dialog title
    };
    void message(const QString& text) override;
    void error(const QString& text) override;
    Answer confirm(const QString& text) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& initialDir) override;
    std::optional<QString> saveFile(const QString& title, const QString& initialDir) override;

    std::vector<Shown> shown;
    std::deque<Answer> answers;                      // default Yes when empty
    std::deque<std::optional<QString>> fileAnswers;  // default cancel when empty
    std::function<void()> onShow;                    // runs inside every box, as a modal loop would

private:
    std::optional<QString> nextFileAnswer();
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    int memoryLoad() override;
    void playSound(const QString& path) override;
    QString profileString(const QString& file, const QString& section, const QString& key,
                          const QString& def) override;
    bool writeProfileString(const QString& file, const QString& section, const QString& key,
                            const QString& value) override;
    bool createDirectory(const QString& path) override;
    bool fileExists(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    bool shellOpen(const QString& pathOrUrl) override;
    ProcessHandle startProcess(const QString& path) override;
    bool terminateProcess(ProcessHandle handle) override;
    bool forceLogOff() override;
    bool downloadToFile(const QString& url, const QString& target) override;
    LocalTime localTime() override;
    QSize screenSize() override;
    std::unique_ptr<Timer> createTimer() override;
    void skipTaskbar(QWidget* window) override;
    void minimizeApplication() override;
    void restoreApplication() override;
    bool isApplicationMinimized() override;
    QString protectionMarkerPath() override;
    Dialogs& dialogs() override { return fakeDialogs; }

    // Script: loads handed out in order; the last one repeats.
    std::deque<int> loads{50};
    int loadReads = 0;

    // The settings file as an in-memory map "section/key" (lower case) ->
    // value; `profileLog` records "R section/key" and "W section/key=value".
    QMap<QString, QString> profile;
    QStringList profileLog;
    bool failWrites = false;

    QStringList sounds;       // paths handed to playSound
    QStringList createdDirs;
    QStringList existingFiles;  // what fileExists() answers true for
    QStringList opened;         // shellOpen calls
    QStringList started;        // startProcess calls
    QStringList calls;          // other platform calls in order
    bool minimized = false;
    LocalTime now{10, 0, 0};
    QSize screen{1280, 1024};
    QString marker = QStringLiteral("/nonexistent/qzx.a");

    std::vector<FakeTimer*> timers;  // alive timers, in creation order
    void advanceSeconds(int s);      // moves the clock forward, wrapping at midnight

    FakeDialogs fakeDialogs;
};

class FakeTimer : public Timer {
public:
    explicit FakeTimer(FakePlatform* owner) : owner_(owner) {}
    ~FakeTimer() override;
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setCallback(std::function<void()> cb) override { cb_ = std::move(cb); }
    // Fires once if running; returns whether it fired.
    bool fire();
    void detach() { owner_ = nullptr; }

private:
    FakePlatform* owner_;
    int interval_ = 0;
    std::function<void()> cb_;
};

}  // namespace ostra

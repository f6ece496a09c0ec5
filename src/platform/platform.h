// The one door to the operating system. Everything the program needs from
// the machine (memory load, sound, processes, files, the desktop session,
// dialogs) goes through this interface, so that a backend for another
// system can sit beside the Linux one and tests can use the fake.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace ostra {

struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int secondOfDay() const { return hour * 3600 + minute * 60 + second; }
};

// A repeating timer delivered on the user-interface thread. Interval 0 stops it.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setCallback(std::function<void()> cb) = 0;
};

// Message boxes and file dialogs. Tests answer them through the fake.
enum class Answer { Yes, No, Closed, Ok };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Plain box: caption "Ostra", the text, one OK button.
    virtual void message(const QString& text) = 0;
    // Standard error box: caption "Ostra", error icon, OK.
    virtual void error(const QString& text) = 0;
    // Caption "Confirm", question icon, "&Yes" (default) and "&No"; Escape
    // answers No, the close box answers Closed.
    virtual Answer confirm(const QString& text) = 0;
    // Open-file dialog; filter given in the "desc|pattern" form.
    virtual std::optional<QString> openFile(const QString& title, const QString& filter,
                                            const QString& initialDir) = 0;
    // Save-file dialog used as a window onto a folder.
    virtual std::optional<QString> saveFile(const QString& title, const QString& initialDir) = 0;
};

// Handle of a program started by startProcess(); 0 means none.
using ProcessHandle = std::int64_t;

class Platform {
public:
    virtual ~Platform() = default;

    // Memory load in percent, 0..100, read afresh at every call.
    virtual int memoryLoad() = 0;

    // Plays a wave file without waiting; a new sound cuts off the one still
    // playing; a missing or unreadable file plays the desktop's default
    // event sound. Never blocks, never fails loudly.
    virtual void playSound(const QString& path) = 0;

    // Private-profile access with the Windows INI rules. A write reaches the
    // disk at once (atomically) and returns false when it could not.
    virtual QString profileString(const QString& file, const QString& section,
                                  const QString& key, const QString& def) = 0;
    virtual bool writeProfileString(const QString& file, const QString& section,
                                    const QString& key, const QString& value) = 0;

    virtual bool createDirectory(const QString& path) = 0;
    // True for regular files only (links followed), never for folders.
    virtual bool fileExists(const QString& path) = 0;
    // Overwriting copy through a temporary file and a rename.
    virtual bool copyFile(const QString& from, const QString& to) = 0;

    // Opens a file, a program or an address the way the desktop would.
    virtual bool shellOpen(const QString& pathOrUrl) = 0;
    // Starts a program with no arguments in a new process group.
    virtual ProcessHandle startProcess(const QString& path) = 0;
    // Ends a program started by startProcess (and its group).
    virtual bool terminateProcess(ProcessHandle handle) = 0;
    // Asks the session manager to end the user's session by force.
    virtual bool forceLogOff() = 0;
    // Blocking download with a time and size limit; replaces `target`
    // atomically only on a complete success.
    virtual bool downloadToFile(const QString& url, const QString& target) = 0;

    virtual LocalTime localTime() = 0;
    virtual QSize screenSize() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // Marks a top-level window so the task bar does not list it.
    virtual void skipTaskbar(QWidget* window) = 0;
    // Takes every window of the program off the screen; the main window
    // keeps its logical visibility so the monitor keeps sampling.
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
    virtual bool isApplicationMinimized() = 0;

    // Path of the marker file whose presence blocks the memory refresh.
    virtual QString protectionMarkerPath() = 0;

    virtual Dialogs& dialogs() = 0;
};

}  // namespace ostra

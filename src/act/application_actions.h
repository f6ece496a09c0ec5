// Pause, resume, close and end one application of the user's: through its
// systemd unit where the desktop started it in one (the user manager's
// FreezeUnit, ThawUnit, KillUnit), else by signals to each of its
// processes, each checked against the process chosen so that a reused PID
// is never touched. What it holds paused is named in a file of the data
// folder before any process is paused, and resumed at the program's end or,
// after a kill, at its next start.
#pragma once

#include "act/paused_state.h"
#include "act/protected_list.h"
#include "act/target.h"
#include "platform/app_windows.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process_control.h"
#include "platform/user_units.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <map>
#include <memory>

namespace ostra::act {

// What a row shows while something is done to its application.
inline const char* const kPausedState = "paused";
inline const char* const kEndingState = "ending";
inline const char* const kStillRunningState = "still running";
// Why a unit was paused with signals instead.
inline const char* const kNoManagerNote = "No service manager answered: paused with signals.";
inline const char* const kRefusedNote = "The unit cannot be frozen: paused with signals.";
inline const char* const kNothingPaused = "Nothing was paused: its processes have ended.";
inline const char* const kNotRecorded = "Nothing was paused: the file that keeps track of it cannot be written.";
inline const char* const kNoWindowAsked = "None of its windows could be asked to close.";

// What was done to an application.
enum class Act { Paused, Resumed, Closed, Ended };

class ApplicationActions : public QObject {
    Q_OBJECT
public:
    struct Deps {
        ProcessControl& processes;
        UserUnits& units;
        AppWindows& windows;
        DesktopPeers& peers;
        Files& files;
        Clock& clock;
        QString statePath;  // the paused file in the data folder
    };
    static constexpr int kFollowUpMs = 10000;

    // What may be done to an application now; `reason` (a tool tip) says
    // why nothing may when it is protected.
    struct Offer {
        bool pause = false;
        bool resume = false;
        bool close = false;
        bool end = false;
        bool endNow = false;
        QString reason;
    };

    explicit ApplicationActions(Deps deps, QObject* parent = nullptr);
    // Resumes whatever is still paused.
    ~ApplicationActions() override;

    Offer offer(const Target& target);
    // "paused", "ending", "still running", or empty.
    QString stateText(const QString& key) const;
    bool isPaused(const QString& key) const { return held_.count(key) != 0; }

    // The question before End ("End" / "Cancel") and before End now.
    static QString endQuestion(const Target& target);
    static QString endNowQuestion(const Target& target);

    void pause(const Target& target);
    void resume(const QString& key);
    // The number of windows asked to close.
    int close(const Target& target);
    void end(const Target& target);
    void endNow(const Target& target);

    // At the program's end: everything paused runs again (waits a moment
    // for the user manager).
    void resumeAll();
    // At start: what a run that was killed left paused runs again.
    void resumeLeftovers();

signals:
    void stateChanged(const QString& key, const QString& state);
    // The unit could not be frozen; its processes were paused by signals.
    void fellBackToSignals(const QString& key, const QString& note);
    // Some process of the application still ran 10 s after End.
    void endNowOffered(const QString& key);
    void failed(const QString& key, const QString& message);
    // It was paused (its unit frozen or its processes stopped), resumed,
    // its windows asked to close, or it was sent the signal to end.
    void acted(ostra::act::Act act, const ostra::act::Target& target);

private:
    struct Held {
        Target target;
        bool frozen = false;
        std::vector<ProcessRef> stopped;
    };
    struct Ending {
        Target target;
        std::unique_ptr<Timer> timer;
        bool offered = false;
    };
    void setState(const QString& key, const QString& state);
    void stopProcesses(const QString& key);
    void terminate(const Target& target, ProcessSignal sig);
    void followUp(const Target& target);
    bool save();

    Deps d_;
    ProtectedList protected_;
    std::map<QString, Held> held_;
    std::map<QString, Ending> ending_;
    std::map<QString, QString> state_;
    // Units asked to thaw whose answer has not come: kept in the file.
    QSet<QString> thawing_;
    std::vector<std::unique_ptr<Timer>> retired_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ostra::act

// The buttons of "What grew" tied to the logic that acts on applications:
// each press becomes a command of ApplicationActions on the selected row as
// chosen at that moment (End and End now after their question); what may
// be done to the selected row, and what is being done to each, goes back
// to the window. Made with the program, so that what happened before the
// window first opens shows in it too.
#pragma once

#include "act/application_actions.h"
#include "grow/grow_window.h"
#include "platform/dialogs.h"
#include "platform/process_control.h"

#include <QHash>
#include <QObject>

namespace ostra {

inline const char* const kEndButton = "End";
inline const char* const kCancelButton = "Cancel";
inline const char* const kPausedWithSignals = "paused with signals";

class GrowActing : public QObject {
    Q_OBJECT
public:
    struct Deps {
        act::ApplicationActions& actions;
        ProcessControl& processes;
        Dialogs& dialogs;
    };
    explicit GrowActing(Deps deps, QObject* parent = nullptr);

    // The window, at its first opening.
    void attach(grow::GrowWindow& window);

    void pause(const grow::GrowthRow& row);
    void resume(const grow::GrowthRow& row);
    void close(const grow::GrowthRow& row);
    void end(const grow::GrowthRow& row);
    void endNow(const grow::GrowthRow& row);
    // Whether the application of the row may be paused now.
    bool mayPause(const grow::GrowthRow& row);

private:
    void stateChanged(const QString& key, const QString& state);
    void showState(const QString& key);
    void refreshOffer();

    Deps d_;
    grow::GrowWindow* window_ = nullptr;
    QHash<QString, QString> states_;
    QHash<QString, QString> notes_;  // why a pause went by signals
};

}  // namespace ostra

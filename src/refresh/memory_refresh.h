// "Refresh Memory": ends the desktop session by force, after asking, unless
// a protection program's marker file is present.
#pragma once

#include <QObject>

namespace ostra {

class Dialogs;
class Files;
class Session;
class SoundCue;

inline const char* const kRefreshQuestion =
    "Will you close all windows on your desktop and \r\rrefresh your memory doing restart windows?";
inline const char* const kRefreshProtectionMessage =
    "Some protection software is detected. \r\rDo this after turn off that.";

class MemoryRefresh : public QObject {
    Q_OBJECT
public:
    MemoryRefresh(Files& files, Session& session, Dialogs& dialogs, SoundCue& cue, QObject* parent = nullptr);

    // The command. A forced log-off ends every unsaved document on the
    // desktop, so only an explicit Yes starts it: closing the box is No.
    void refreshNow();
    // Whether the protection marker is present.
    bool blocked();

private:
    Files& files_;
    Session& session_;
    Dialogs& dialogs_;
    SoundCue& cue_;
};

}  // namespace ostra

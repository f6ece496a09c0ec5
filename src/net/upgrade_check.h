// The online upgrade check: the version file fetched from the update
// server in the background, and the upgrade offered when it names another
// version. The window keeps showing and sampling while the file comes.
#pragma once

#include <QObject>
#include <QString>

namespace ostra {

class Dialogs;
class Downloads;
class Files;
class Shell;
class SoundCue;

inline const char* const kVersionText = "1.03";
inline const char* const kUpgradeQuestion = "Will you upgrade for the latest version?";
inline const char* const kUpgradeOffer =
    "New version updated, Will you upgrade for the latest version?  \r\rThis windows will be closed. "
    "\r\ryou should do download and follow the upgrade procedure.\r\r [Ostra] ";

class UpgradeCheck : public QObject {
    Q_OBJECT
public:
    struct Deps {
        Downloads& downloads;
        Files& files;
        Dialogs& dialogs;
        Shell& shell;
        SoundCue& cue;
        QString programFolder;
        // The update server as the settings name it (section "net", key
        // "UpdateHost"), read with the other settings at each showing.
        const QString& updateHost;
    };
    explicit UpgradeCheck(Deps deps, QObject* parent = nullptr);

    // The check: fetches "vornalk.vvv" and, once it is there, compares its
    // first line with the running version. A check already under way is
    // not started twice; without a valid update host there is no check.
    void check();
    // "On line upgrade": asks first; every use leaves the automatic check on.
    void command();
    bool pending() const { return pending_; }

signals:
    void autoUpgradeRequested(bool on);
    // The upgrade was accepted: the program closes.
    void closeRequested();
    // A check ended (whatever it found).
    void finished();

private:
    void compare(const QString& installer);

    Deps d_;
    const QString versionFile_;  // "vornalk.vvv" in the program folder
    bool pending_ = false;
};

}  // namespace ostra

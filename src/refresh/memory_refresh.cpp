#include "refresh/memory_refresh.h"

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/session.h"
#include "sound/sound_cue.h"

namespace ostra {

MemoryRefresh::MemoryRefresh(Files& files, Session& session, Dialogs& dialogs, SoundCue& cue, QObject* parent)
    : QObject(parent), files_(files), session_(session), dialogs_(dialogs), cue_(cue) {}

bool MemoryRefresh::blocked() { return files_.fileExists(session_.protectionMarkerPath()); }

void MemoryRefresh::refreshNow() {
    cue_.play("memory.wav");
    if (blocked()) {
        dialogs_.message(QString::fromLatin1(kRefreshProtectionMessage));
        return;
    }
    if (dialogs_.confirm(QString::fromLatin1(kRefreshQuestion)) == Answer::Yes) session_.forceLogOff();
}

}  // namespace ostra

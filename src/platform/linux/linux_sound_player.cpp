#include "platform/linux/linux_sound_player.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <canberra.h>

namespace ostra {

namespace {
constexpr uint32_t kCueId = 1;
}  // namespace

LinuxSoundPlayer::LinuxSoundPlayer(int idleCloseMs) {
    idle_.setSingleShot(true);
    idle_.setInterval(std::max(1, idleCloseMs));
    idle_.callOnTimeout([this] { closeWhenQuiet(); });
}

LinuxSoundPlayer::~LinuxSoundPlayer() {
    if (context_) ca_context_destroy(context_);
}

bool LinuxSoundPlayer::open() {
    if (context_) return true;
    // A context that cannot even be made will not be made later either.
    if (failed_) return false;
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        failed_ = true;
        return false;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Ostra", CA_PROP_APPLICATION_ID, "ostra",
                            nullptr);
    return true;
}

void LinuxSoundPlayer::closeWhenQuiet() {
    if (!context_) return;
    // A long sound of the user's own still playing is not cut off.
    int playing = 0;
    if (ca_context_playing(context_, kCueId, &playing) == CA_SUCCESS && playing) {
        idle_.start();
        return;
    }
    ca_context_destroy(context_);
    context_ = nullptr;
}

void LinuxSoundPlayer::play(const QString& path) {
    if (!open()) return;
    // One cue at a time: the new one cuts off the one still playing.
    ca_context_cancel(context_, kCueId);
    const QFileInfo fi(path);
    int rc = CA_ERROR_NOTFOUND;
    if (fi.isFile() && fi.isReadable()) {
        const QByteArray p = QFile::encodeName(fi.absoluteFilePath());
        rc = ca_context_play(context_, kCueId, CA_PROP_MEDIA_FILENAME, p.constData(),
                             CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
    }
    if (rc != CA_SUCCESS && rc != CA_ERROR_DISABLED && rc != CA_ERROR_NOTAVAILABLE &&
        rc != CA_ERROR_DISCONNECTED) {
        // Missing or unreadable file: the desktop's default event sound.
        ca_context_play(context_, kCueId, CA_PROP_EVENT_ID, "bell", nullptr);
    }
    idle_.start();
}

}  // namespace ostra

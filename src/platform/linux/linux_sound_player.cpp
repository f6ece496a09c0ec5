#include "platform/linux/linux_sound_player.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>

namespace ostra {

namespace {
constexpr uint32_t kCueId = 1;
}  // namespace

LinuxSoundPlayer::~LinuxSoundPlayer() {
    if (context_) ca_context_destroy(context_);
}

void LinuxSoundPlayer::play(const QString& path) {
    if (!context_) {
        if (tried_) return;
        tried_ = true;
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            return;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Ostra", CA_PROP_APPLICATION_ID,
                                "ostra", nullptr);
    }
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
}

}  // namespace ostra

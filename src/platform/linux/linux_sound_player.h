// Sound cues through the desktop's sound server (libcanberra).
#pragma once

#include "platform/sound_player.h"

struct ca_context;

namespace ostra {

class LinuxSoundPlayer : public SoundPlayer {
public:
    LinuxSoundPlayer() = default;
    ~LinuxSoundPlayer() override;
    LinuxSoundPlayer(const LinuxSoundPlayer&) = delete;
    LinuxSoundPlayer& operator=(const LinuxSoundPlayer&) = delete;

    void play(const QString& path) override;

private:
    ca_context* context_ = nullptr;
    bool tried_ = false;
};

}  // namespace ostra

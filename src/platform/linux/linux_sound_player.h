// Sound cues through the desktop's sound server (libcanberra).
#pragma once

#include "platform/sound_player.h"

#include <QTimer>

struct ca_context;

namespace ostra {

class LinuxSoundPlayer : public SoundPlayer {
public:
    // How long the connection to the sound server stays open after the last
    // cue has ended; then it is closed (and the sound server's libraries let
    // go) until the next cue opens it again.
    static constexpr int kDefaultIdleCloseMs = 10'000;

    explicit LinuxSoundPlayer(int idleCloseMs = kDefaultIdleCloseMs);
    ~LinuxSoundPlayer() override;
    LinuxSoundPlayer(const LinuxSoundPlayer&) = delete;
    LinuxSoundPlayer& operator=(const LinuxSoundPlayer&) = delete;

    void play(const QString& path) override;

    // Whether the connection to the sound server is open now.
    bool isOpen() const { return context_ != nullptr; }

private:
    bool open();
    void closeWhenQuiet();

    ca_context* context_ = nullptr;
    bool failed_ = false;
    QTimer idle_;
};

}  // namespace ostra

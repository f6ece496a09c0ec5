// Playing a sound file.
#pragma once

#include <QString>

namespace ostra {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Plays a wave file without waiting; a new sound cuts off the one still
    // playing; a missing or unreadable file plays the desktop's default
    // event sound. Never blocks, never fails loudly.
    virtual void play(const QString& path) = 0;
};

}  // namespace ostra

// The sound cue: a wave file of the program folder, played without
// waiting, only while "Use Sound" is on.
#pragma once

#include "platform/sound_player.h"

#include <QString>

namespace ostra {

class SoundCue {
public:
    // `useSound` is the "Use Sound" switch, read at every cue.
    SoundCue(SoundPlayer& player, QString folder, const bool& useSound)
        : player_(player), folder_(std::move(folder)), useSound_(useSound) {}

    void play(const QString& name) {
        if (useSound_) player_.play(path(name));
    }
    void play(const char* name) { play(QLatin1String(name)); }
    // Previews ignore "Use Sound".
    void preview(const QString& name) { player_.play(path(name)); }
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

private:
    SoundPlayer& player_;
    QString folder_;
    const bool& useSound_;
};

}  // namespace ostra

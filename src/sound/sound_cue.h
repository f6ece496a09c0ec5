// The sound cue: a wave file of the program folder, played without
// waiting, only while "Use Sound" is on.
#pragma once

#include "monitor/warning_options.h"
#include "platform/sound_player.h"

namespace ostra {

class SoundCue {
public:
    SoundCue(SoundPlayer& player, QString folder, const WarningOptions& options)
        : player_(player), folder_(std::move(folder)), options_(options) {}

    void play(const QString& name) {
        if (options_.useSound) player_.play(path(name));
    }
    void play(const char* name) { play(QLatin1String(name)); }
    // Previews ignore "Use Sound".
    void preview(const QString& name) { player_.play(path(name)); }
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

private:
    SoundPlayer& player_;
    QString folder_;
    const WarningOptions& options_;
};

}  // namespace ostra

// The sound cue: a wave file of the program folder, played without
// waiting, only while "Use Sound" is on.
#pragma once

#include "platform/platform.h"

#include <functional>

namespace ostra {

class SoundCue {
public:
    SoundCue(Platform& platform, QString folder, std::function<bool()> useSound)
        : platform_(platform), folder_(std::move(folder)), useSound_(std::move(useSound)) {}

    void play(const QString& name) {
        if (useSound_ && !useSound_()) return;
        platform_.playSound(path(name));
    }
    // Previews ignore "Use Sound".
    void preview(const QString& name) { platform_.playSound(path(name)); }
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

private:
    Platform& platform_;
    QString folder_;
    std::function<bool()> useSound_;
};

}  // namespace ostra

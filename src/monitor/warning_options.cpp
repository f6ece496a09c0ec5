#include "monitor/warning_options.h"

#include "settings/settings.h"

namespace ostra {

int clampPercent(int v) { return v < 0 ? 0 : (v > 100 ? 100 : v); }

void WarningOptions::read(Platform& p, const QString& ini) {
    // The sliders keep their values within 0..100.
    loadLimit = clampPercent(settings::readInt(p, ini, "x", "xx1", loadLimit));
    riseLimit = clampPercent(settings::readInt(p, ini, "x", "yy1", riseLimit));
    useLoadLimit = settings::readBool(p, ini, "x", "checkbox1", useLoadLimit);
    useRiseLimit = settings::readBool(p, ini, "x", "checkbox2", useRiseLimit);
    useSound = settings::readBool(p, ini, "x", "SoundCheck", useSound);
}

bool WarningOptions::write(Platform& p, const QString& ini) const {
    return settings::writeInt(p, ini, "x", "xx1", loadLimit) &&
           settings::writeInt(p, ini, "x", "yy1", riseLimit) &&
           settings::writeBool(p, ini, "x", "checkbox1", useLoadLimit) &&
           settings::writeBool(p, ini, "x", "checkbox2", useRiseLimit) &&
           settings::writeBool(p, ini, "x", "SoundCheck", useSound);
}

}  // namespace ostra

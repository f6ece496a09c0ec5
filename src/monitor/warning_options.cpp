#include "monitor/warning_options.h"

#include "monitor/figures.h"
#include "settings/settings_file.h"

namespace ostra {

void WarningOptions::read(const SettingsFile& f) {
    // The sliders keep their values within 0..100.
    loadLimit = clampPercent(f.readInt("x", "xx1", loadLimit));
    riseLimit = clampPercent(f.readInt("x", "yy1", riseLimit));
    useLoadLimit = f.readBool("x", "checkbox1", useLoadLimit);
    useRiseLimit = f.readBool("x", "checkbox2", useRiseLimit);
    useSound = f.readBool("x", "SoundCheck", useSound);
}

void WarningOptions::write(SettingsFile& f) const {
    f.writeInt("x", "xx1", loadLimit);
    f.writeInt("x", "yy1", riseLimit);
    f.writeBool("x", "checkbox1", useLoadLimit);
    f.writeBool("x", "checkbox2", useRiseLimit);
    f.writeBool("x", "SoundCheck", useSound);
}

}  // namespace ostra

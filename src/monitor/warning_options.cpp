#include "monitor/warning_options.h"

#include "monitor/figures.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace ostra {

void WarningOptions::read(const SettingsFile& f) {
    // The sliders keep their values within 0..100.
    loadLimit = clampPercent(f.read(kLoadLimitKey, loadLimit));
    riseLimit = clampPercent(f.read(kRiseLimitKey, riseLimit));
    useLoadLimit = f.read(kUseLoadLimitKey, useLoadLimit);
    useRiseLimit = f.read(kUseRiseLimitKey, useRiseLimit);
    useSound = f.read(kUseSoundKey, useSound);
}

void WarningOptions::write(SettingsFile& f) const {
    f.write(kLoadLimitKey, loadLimit);
    f.write(kRiseLimitKey, riseLimit);
    f.write(kUseLoadLimitKey, useLoadLimit);
    f.write(kUseRiseLimitKey, useRiseLimit);
    f.write(kUseSoundKey, useSound);
}

WarningOptionsFile::WarningOptionsFile(Files& files, QString path, WarningOptions& options)
    : files_(files), path_(std::move(path)), options_(options) {}

void WarningOptionsFile::load() {
    SettingsFile ini(files_, path_);
    ini.load();
    options_.read(ini);
}

bool WarningOptionsFile::save() {
    SettingsFile ini(files_, path_);
    ini.load();
    options_.write(ini);
    return ini.commit();
}

}  // namespace ostra

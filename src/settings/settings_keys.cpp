#include "settings/settings_keys.h"

namespace ostra {

namespace {

constexpr const SettingsSection* kSections[] = {&kCounterSection, &kMainWindowSection, &kWarningSection,
                                                &kNetSection, &kGrowSection};

constexpr const SettingsKey* kKeys[] = {
    &kStartCounterKey,
    &kHistoryOnKey,
    &kAnalysisPanelOpenKey,
    &kAutoUpgradeCheckKey,
    &kAutoRefreshAtStartKey,
    &kAlarmOnKey,
    &kLeftKey,
    &kTopKey,
    &kPriorRunLoadKey,
    &kRestIntervalKey,
    &kLoadLimitKey,
    &kRiseLimitKey,
    &kUseLoadLimitKey,
    &kUseRiseLimitKey,
    &kUseSoundKey,
    &kUpdateHostKey,
    &kGrowNotifyKey,
};

}  // namespace

std::span<const SettingsSection* const> settingsSections() { return kSections; }
std::span<const SettingsKey* const> settingsKeys() { return kKeys; }

}  // namespace ostra

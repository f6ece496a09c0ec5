#include "settings/settings_keys.h"

namespace ostra {

namespace {

constexpr const SettingsSection* kSections[] = {&kCounterSection, &kMainWindowSection, &kWarningSection,
                                                &kNetSection,     &kGrowSection,       &kLoadHistorySection,
                                                &kExportSection};

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
    &kLoadHistoryRangeKey,
    &kLoadHistoryWidthKey,
    &kLoadHistoryHeightKey,
    &kLoadHistoryExportFolderKey,
    &kTextfileDirKey,
};

}  // namespace

std::span<const SettingsSection* const> settingsSections() { return kSections; }
std::span<const SettingsKey* const> settingsKeys() { return kKeys; }

}  // namespace ostra

// Every section and key of "tevo.ini" that the program reads or writes, in
// one table: its type, its default and the one class that owns its section
// (reads it and writes it; no other code names it). The owners read and
// write through these entries, never through section or key strings.
//
// A default of "current" means the value the setting holds when it is read:
// its design value at program start, the value in use when the start-up
// sequence runs again.
#pragma once

#include <QString>

#include <span>

namespace ostra {

struct SettingsSection {
    const char* name;
    const char* owner;  // the class that reads and writes the section
};

enum class SettingType { Integer, Boolean, Text };

struct SettingsKey {
    // ReadWrite: written by every save of its owner; WrittenWhenUsed: only
    // once the user has used what it keeps (a window, an export);
    // ReadOnly: set by hand, never written.
    enum class Use { ReadWrite, WrittenWhenUsed, ReadOnly };

    const SettingsSection& section;
    const char* key;
    SettingType type;
    const char* defaultValue;  // as a reader sees it, see above
    Use use = Use::ReadWrite;

    QString sectionName() const { return QLatin1String(section.name); }
    QString keyName() const { return QLatin1String(key); }
};

// The sections, each with its owner.
inline constexpr SettingsSection kCounterSection{"my11", "MainController"};
inline constexpr SettingsSection kMainWindowSection{"W", "MainController"};
inline constexpr SettingsSection kWarningSection{"x", "WarningOptionsFile"};
inline constexpr SettingsSection kNetSection{"net", "MainController"};
inline constexpr SettingsSection kGrowSection{"grow", "OstraApp"};
inline constexpr SettingsSection kLoadHistorySection{"LoadHistory", "LoadHistoryOptions"};
inline constexpr SettingsSection kExportSection{"export", "OstraApp"};

// "my11": the start counter (the automatic upgrade check runs at 2).
inline constexpr SettingsKey kStartCounterKey{kCounterSection, "SpinEdit1", SettingType::Integer, "current (0)"};

// "W": the main window's settings. "checkbox1" means another setting in "x".
inline constexpr SettingsKey kHistoryOnKey{kMainWindowSection, "checkbox1", SettingType::Boolean, "current (off)"};
inline constexpr SettingsKey kAnalysisPanelOpenKey{kMainWindowSection, "RxSpeedButton11", SettingType::Boolean,
                                                   "current (on)"};
inline constexpr SettingsKey kAutoUpgradeCheckKey{kMainWindowSection, "Autoconnecttheonlinupgrade1",
                                                  SettingType::Boolean, "current (on)"};
inline constexpr SettingsKey kAutoRefreshAtStartKey{kMainWindowSection, "FFFF", SettingType::Boolean,
                                                    "current (off)"};
inline constexpr SettingsKey kAlarmOnKey{kMainWindowSection, "FFFF2", SettingType::Boolean, "current (off)"};
inline constexpr SettingsKey kLeftKey{kMainWindowSection, "left", SettingType::Integer, "current (201)"};
inline constexpr SettingsKey kTopKey{kMainWindowSection, "top", SettingType::Integer, "current (116)"};
inline constexpr SettingsKey kPriorRunLoadKey{kMainWindowSection, "Gauge5", SettingType::Integer, "0"};
inline constexpr SettingsKey kRestIntervalKey{kMainWindowSection, "LMDLEDLabel3", SettingType::Integer,
                                              "current (60)"};

// "x": the warning options, written whenever the options window closes.
inline constexpr SettingsKey kLoadLimitKey{kWarningSection, "xx1", SettingType::Integer, "current (95)"};
inline constexpr SettingsKey kRiseLimitKey{kWarningSection, "yy1", SettingType::Integer, "current (30)"};
inline constexpr SettingsKey kUseLoadLimitKey{kWarningSection, "checkbox1", SettingType::Boolean, "current (on)"};
inline constexpr SettingsKey kUseRiseLimitKey{kWarningSection, "checkbox2", SettingType::Boolean, "current (on)"};
inline constexpr SettingsKey kUseSoundKey{kWarningSection, "SoundCheck", SettingType::Boolean, "current (on)"};

// "net": where the upgrade check asks; set by hand, never written.
inline constexpr SettingsKey kUpdateHostKey{kNetSection, "UpdateHost", SettingType::Text, "the built-in host",
                                            SettingsKey::Use::ReadOnly};

// "grow": the desktop notification of what grew, written when switched.
inline constexpr SettingsKey kGrowNotifyKey{kGrowSection, "Notify", SettingType::Boolean, "on"};

// "LoadHistory": the window "Load history", written when a span is chosen,
// when the window closes or the program ends with it open, and (the folder)
// after an export to a new folder.
inline constexpr SettingsKey kLoadHistoryRangeKey{kLoadHistorySection, "Range", SettingType::Integer,
                                                  "3600 (seconds)", SettingsKey::Use::WrittenWhenUsed};
inline constexpr SettingsKey kLoadHistoryWidthKey{kLoadHistorySection, "Width", SettingType::Integer, "720",
                                                  SettingsKey::Use::WrittenWhenUsed};
inline constexpr SettingsKey kLoadHistoryHeightKey{kLoadHistorySection, "Height", SettingType::Integer, "340",
                                                   SettingsKey::Use::WrittenWhenUsed};
inline constexpr SettingsKey kLoadHistoryExportFolderKey{kLoadHistorySection, "ExportFolder", SettingType::Text,
                                                         "empty (the home folder)",
                                                         SettingsKey::Use::WrittenWhenUsed};

// "export": the folder of node_exporter's textfile collector that the
// figures are written to (read at start); set by hand, never written, so an
// unset key adds nothing to the file.
inline constexpr SettingsKey kTextfileDirKey{kExportSection, "TextfileDir", SettingType::Text,
                                             "empty (nothing written)", SettingsKey::Use::ReadOnly};

// The whole table, for checks and documentation.
std::span<const SettingsSection* const> settingsSections();
std::span<const SettingsKey* const> settingsKeys();

}  // namespace ostra

// Cost of the settings file: reading every key the program keeps in
// "tevo.ini", as the start-up sequence and the warning options window do,
// and one atomic write of a key.
#include "settings/profile.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

namespace profile = ostra::profile;

const std::vector<std::pair<QString, QString>>& settingsKeys() {
    static const std::vector<std::pair<QString, QString>> keys = {
        {"my11", "SpinEdit1"},
        {"W", "checkbox1"},
        {"W", "RxSpeedButton11"},
        {"W", "Autoconnecttheonlinupgrade1"},
        {"W", "FFFF"},
        {"W", "FFFF2"},
        {"W", "left"},
        {"W", "top"},
        {"W", "Gauge5"},
        {"W", "LMDLEDLabel3"},
        {"x", "xx1"},
        {"x", "yy1"},
        {"x", "checkbox1"},
        {"x", "checkbox2"},
        {"x", "SoundCheck"},
    };
    return keys;
}

// A settings file as the program leaves it after a run with the warning
// options window opened and closed.
bool writeSettingsFile(const QString& file) {
    const int values[] = {3, 1, 1, 1, 0, 1, 201, 116, 47, 60, 95, 30, 1, 1, 1};
    int i = 0;
    for (const auto& [section, key] : settingsKeys()) {
        if (!profile::writeInt(file, section, key, values[i++]))
            return false;
    }
    return true;
}

void BM_ReadAllSettingsKeys(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tevo.ini");
    if (!dir.isValid() || !writeSettingsFile(file)) {
        state.SkipWithError("cannot create the settings file");
        return;
    }
    for (auto _ : state) {
        int sum = 0;
        for (const auto& [section, key] : settingsKeys())
            sum += profile::readInt(file, section, key, -1);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(settingsKeys().size()));
}
BENCHMARK(BM_ReadAllSettingsKeys);

void BM_WriteOneKey(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tevo.ini");
    if (!dir.isValid() || !writeSettingsFile(file)) {
        state.SkipWithError("cannot create the settings file");
        return;
    }
    int value = 0;
    for (auto _ : state) {
        // A new value each time so that every write replaces the file.
        ++value;
        if (!profile::writeInt(file, "W", "Gauge5", value)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteOneKey);

}  // namespace

BENCHMARK_MAIN();

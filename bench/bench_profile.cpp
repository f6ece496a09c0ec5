// Cost of the settings file: one sequence reading every key the program
// keeps in "tevo.ini" (as a showing and the warning options do), and the
// shutdown's one atomic replacement with its ten keys; each on a file as the
// program leaves it and on one padded to 50 MB with a foreign section.
#include "platform/linux/linux_files.h"
#include "settings/settings_file.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

ostra::LinuxFiles files;

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
// options window opened and closed, after `padding` bytes of another
// program's section.
bool writeSettingsFile(const QString& file, qint64 padding) {
    QByteArray text;
    if (padding > 0) {
        text = "[other]\n";
        const QByteArray line = "key=" + QByteArray(60, 'v') + "\n";
        while (text.size() < padding) text += line;
    }
    if (!files.replaceFile(file, text)) return false;
    ostra::SettingsFile ini(files, file);
    ini.load();
    const int values[] = {3, 1, 1, 1, 0, 1, 201, 116, 47, 60, 95, 30, 1, 1, 1};
    int i = 0;
    for (const auto& [section, key] : settingsKeys()) ini.writeInt(section, key, values[i++]);
    return ini.commit();
}

void BM_ReadAllSettingsKeys(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tevo.ini");
    if (!dir.isValid() || !writeSettingsFile(file, state.range(0))) {
        state.SkipWithError("cannot create the settings file");
        return;
    }
    for (auto _ : state) {
        ostra::SettingsFile ini(files, file);
        ini.load();
        int sum = 0;
        for (const auto& [section, key] : settingsKeys()) sum += ini.readInt(section, key, -1);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadAllSettingsKeys)->Arg(0)->Arg(50'000'000)->Unit(benchmark::kMillisecond);

// The shutdown's write: the ten keys in memory, then one replacement.
void BM_ShutdownWrite(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tevo.ini");
    if (!dir.isValid() || !writeSettingsFile(file, state.range(0))) {
        state.SkipWithError("cannot create the settings file");
        return;
    }
    int value = 0;
    for (auto _ : state) {
        // A new value each time so that every write replaces the file.
        ++value;
        ostra::SettingsFile ini(files, file);
        ini.load();
        ini.writeInt("my11", "SpinEdit1", value % 6);
        for (const char* key : {"Autoconnecttheonlinupgrade1", "checkbox1", "FFFF", "FFFF2"}) ini.writeBool("W", key, true);
        ini.writeInt("W", "left", 201);
        ini.writeInt("W", "top", 116);
        ini.writeInt("W", "Gauge5", value);
        ini.writeInt("W", "LMDLEDLabel3", 60);
        ini.writeBool("W", "RxSpeedButton11", true);
        if (!ini.commit()) {
            state.SkipWithError("write failed");
            break;
        }
    }
}
BENCHMARK(BM_ShutdownWrite)->Arg(0)->Arg(50'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

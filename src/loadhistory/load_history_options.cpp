#include "loadhistory/load_history_options.h"

#include "loadhistory/summary.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace ostra::loadhistory {

void LoadHistoryOptions::read(const SettingsFile& f) {
    const int seconds = f.read(kLoadHistoryRangeKey, kSpans[static_cast<std::size_t>(span)].seconds);
    for (int i = 0; i < static_cast<int>(kSpans.size()); ++i)
        if (kSpans[static_cast<std::size_t>(i)].seconds == seconds) span = i;
    const QSize read(f.read(kLoadHistoryWidthKey, size.width()), f.read(kLoadHistoryHeightKey, size.height()));
    if (read.width() >= kMinimumSize.width() && read.height() >= kMinimumSize.height() &&
        read.width() <= kMaximumSize.width() && read.height() <= kMaximumSize.height())
        size = read;
    exportFolder = f.read(kLoadHistoryExportFolderKey, exportFolder);
}

void LoadHistoryOptions::write(SettingsFile& f) const {
    f.write(kLoadHistoryRangeKey, kSpans[static_cast<std::size_t>(span)].seconds);
    f.write(kLoadHistoryWidthKey, size.width());
    f.write(kLoadHistoryHeightKey, size.height());
    if (!exportFolder.isEmpty()) f.write(kLoadHistoryExportFolderKey, exportFolder);
}

}  // namespace ostra::loadhistory

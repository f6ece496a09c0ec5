#include "loadhistory/load_history_options.h"

#include "loadhistory/summary.h"
#include "settings/settings_file.h"

namespace ostra::loadhistory {

namespace {
QString section() { return QLatin1String(kOptionsSection); }
}  // namespace

void LoadHistoryOptions::read(const SettingsFile& f) {
    const int seconds = f.readInt(section(), QStringLiteral("Range"), kSpans[static_cast<std::size_t>(span)].seconds);
    for (int i = 0; i < static_cast<int>(kSpans.size()); ++i)
        if (kSpans[static_cast<std::size_t>(i)].seconds == seconds) span = i;
    const QSize read(f.readInt(section(), QStringLiteral("Width"), size.width()),
                     f.readInt(section(), QStringLiteral("Height"), size.height()));
    if (read.width() >= kMinimumSize.width() && read.height() >= kMinimumSize.height() &&
        read.width() <= kMaximumSize.width() && read.height() <= kMaximumSize.height())
        size = read;
    exportFolder = f.readString(section(), QStringLiteral("ExportFolder"), exportFolder);
}

void LoadHistoryOptions::write(SettingsFile& f) const {
    f.writeInt(section(), QStringLiteral("Range"), kSpans[static_cast<std::size_t>(span)].seconds);
    f.writeInt(section(), QStringLiteral("Width"), size.width());
    f.writeInt(section(), QStringLiteral("Height"), size.height());
    if (!exportFolder.isEmpty()) f.writeString(section(), QStringLiteral("ExportFolder"), exportFolder);
}

}  // namespace ostra::loadhistory

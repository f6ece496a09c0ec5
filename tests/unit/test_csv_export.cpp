// "Export CSV..." on the real file role: a full file system and a
// read-only one (tmpfs mounts of this test's own, so it runs as root) give
// an error box with the file and the system's reason and leave no file,
// not even a part or a temporary one; a file already there stays whole;
// the save dialog opens in the home folder, then in the last export's
// folder.
#include "loadhistory/csv_export.h"
#include "platform/linux/linux_files.h"

#include "fakes/fake_dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

using namespace ostra;
using namespace ostra::loadhistory;

namespace {

constexpr std::int64_t T0 = 1'800'000'000;

// A tmpfs mounted over a folder for the life of the object.
struct Tmpfs {
    QString path;
    bool mounted = false;
    Tmpfs(const QString& at, const char* options) : path(at) {
        QDir().mkpath(at);
        mounted = ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, options) == 0;
    }
    ~Tmpfs() {
        if (mounted) ::umount(QFile::encodeName(path).constData());
    }
};

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace

TEST(CsvExport, FailureSaysWhyAndLeavesNoFileDialogInLastFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting the test's tmpfs needs root";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // Over five hours: about 800 KB of CSV.
    LoadRing ring;
    for (int i = 0; i < 20000; ++i) ring.record(T0 + i, Sample{i % 101, i % 5000, 0u});
    LinuxFiles files;
    FakeDialogs dialogs;
    const QString home = tmp.filePath(QStringLiteral("home"));
    CsvExporter exporter({ring, files, dialogs, home});
    const std::int64_t to = T0 + 19999;

    // A full file system: 256 KiB, with a file already there.
    Tmpfs full(tmp.filePath(QStringLiteral("full")), "size=256k,mode=0755");
    ASSERT_TRUE(full.mounted) << "mount: " << std::strerror(errno);
    const QString kept = full.path + QStringLiteral("/day.csv");
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier export\r\n");
    }
    dialogs.fileAnswers.push_back(kept);
    EXPECT_FALSE(exporter.exportCsv(T0, to));
    EXPECT_EQ(dialogs.lastInitial, home + QStringLiteral("/load-history.csv"));  // no export yet: home
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, QStringLiteral("error"));
    EXPECT_EQ(dialogs.shown[1].text,
              QStringLiteral("The load history could not be saved as \"%1\": No space left on device.").arg(kept));
    EXPECT_EQ(entries(full.path), QStringList{QStringLiteral("day.csv")});  // no temporary file left
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier export\r\n"));  // the old file whole
    // A new file on the full file system: none at all afterwards.
    dialogs.fileAnswers.push_back(full.path + QStringLiteral("/new.csv"));
    EXPECT_FALSE(exporter.exportCsv(T0, to));
    EXPECT_TRUE(dialogs.shown.back().text.endsWith(QStringLiteral("/new.csv\": No space left on device.")));
    EXPECT_EQ(entries(full.path), QStringList{QStringLiteral("day.csv")});
    EXPECT_EQ(dialogs.lastInitial, home + QStringLiteral("/load-history.csv"));  // a failure moves nothing

    // A read-only file system.
    Tmpfs readOnly(tmp.filePath(QStringLiteral("ro")), "size=1m");
    ASSERT_TRUE(readOnly.mounted);
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(readOnly.path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr),
              0);
    const QString ro = readOnly.path + QStringLiteral("/out.csv");
    dialogs.fileAnswers.push_back(ro);
    EXPECT_FALSE(exporter.exportCsv(T0, to));
    EXPECT_EQ(dialogs.shown.back().kind, QStringLiteral("error"));
    EXPECT_EQ(dialogs.shown.back().text,
              QStringLiteral("The load history could not be saved as \"%1\": Read-only file system.").arg(ro));
    EXPECT_TRUE(entries(readOnly.path).isEmpty());

    // A folder that takes it: written whole, and the next dialog opens there.
    const QString good = tmp.filePath(QStringLiteral("exports/today.csv"));
    QDir().mkpath(tmp.filePath(QStringLiteral("exports")));
    dialogs.fileAnswers.push_back(good);
    const std::size_t boxes = dialogs.shown.size();
    EXPECT_TRUE(exporter.exportCsv(T0, to));
    EXPECT_EQ(dialogs.shown.size(), boxes + 1);  // the dialog, no box
    QFile out(good);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), csv(ring, T0, to));
    EXPECT_FALSE(exporter.exportCsv(T0, to));  // cancelled
    EXPECT_EQ(dialogs.lastInitial, tmp.filePath(QStringLiteral("exports/load-history.csv")));
    EXPECT_EQ(exporter.lastFolder(), tmp.filePath(QStringLiteral("exports")));
}

// The Linux file role on a real temporary folder: what a list holds and in
// which order, and that FIFOs and folders are never read, blocked on or
// replaced.
#include "platform/linux/linux_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using ostra::LinuxFiles;

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

void makeFifo(const QString& path) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
}

bool isFifo(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

TEST(LinuxFiles, ListHoldsVisibleRegularFilesInCaseBlindOrder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    LinuxFiles files;
    const QString dir = tmp.filePath("favorite");
    EXPECT_FALSE(files.listFolder(dir).has_value()) << "a missing folder cannot be read";
    ASSERT_TRUE(files.createDirectory(dir));
    EXPECT_TRUE(files.createDirectory(dir)) << "an existing folder is fine";
    EXPECT_EQ(files.listFolder(dir), QStringList()) << "an empty folder lists nothing";

    writeFile(dir + "/b.lnk", "shortcut");
    writeFile(dir + "/A.exe", "program");
    writeFile(dir + "/c.txt", "text");
    writeFile(dir + "/desktop.ini", "");
    writeFile(dir + "/.hidden", "dot file");
    ASSERT_TRUE(QDir(dir).mkdir("Sub"));
    ASSERT_TRUE(QFile::link(dir + "/c.txt", dir + "/Link.txt"));
    ASSERT_TRUE(QFile::link(dir + "/gone", dir + "/broken"));
    ASSERT_TRUE(QFile::link(dir + "/Sub", dir + "/link-to-sub"));
    makeFifo(dir + "/pipe");

    const std::optional<QStringList> list = files.listFolder(dir);
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->join(' ').toStdString(), "A.exe b.lnk c.txt desktop.ini Link.txt");

    EXPECT_TRUE(files.fileExists(dir + "/A.exe"));
    EXPECT_TRUE(files.fileExists(dir + "/Link.txt"));
    EXPECT_FALSE(files.fileExists(dir + "/Sub"));
    EXPECT_FALSE(files.fileExists(dir + "/broken"));
    EXPECT_FALSE(files.fileExists(dir + "/pipe"));
    EXPECT_FALSE(files.createDirectory(dir + "/A.exe")) << "a file is not a folder";

    ASSERT_TRUE(files.setCurrentFolder(dir));
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(dir).canonicalFilePath());
    EXPECT_FALSE(files.setCurrentFolder(dir + "/missing"));
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));  // let the folder go
}

TEST(LinuxFiles, ReadsOnlyRegularFilesAndRefusesToReplaceAnythingElse) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    LinuxFiles files;
    const QString pipe = tmp.filePath("pipe");
    makeFifo(pipe);

    // A FIFO with no writer would block an ordinary open and read.
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(files.readFile(pipe, 100).has_value());
    EXPECT_FALSE(files.readFile(tmp.path(), 100).has_value()) << "a folder counts as missing";
    EXPECT_FALSE(files.readFile(tmp.filePath("missing"), 100).has_value());
    EXPECT_FALSE(files.readFile("/dev/zero", 100).has_value()) << "a device counts as missing";
    EXPECT_LT(clock.elapsed(), 10000);

    const QString text = tmp.filePath("text");
    writeFile(text, "0123456789");
    EXPECT_EQ(files.readFile(text, 4), QByteArray("0123"));
    EXPECT_EQ(files.readFile(text, 100), QByteArray("0123456789"));
    EXPECT_EQ(files.readFile(text, 0), QByteArray());

    // Neither a FIFO nor a folder is replaced, and both stay as they were.
    EXPECT_FALSE(files.replaceFile(pipe, "data"));
    EXPECT_TRUE(isFifo(pipe));
    const QString folder = tmp.filePath("folder");
    ASSERT_TRUE(files.createDirectory(folder));
    EXPECT_FALSE(files.replaceFile(folder, "data"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(files.copyFile(text, pipe));
    EXPECT_TRUE(isFifo(pipe));
    EXPECT_FALSE(files.copyFile(pipe, tmp.filePath("from-pipe")));
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("from-pipe")));
    EXPECT_FALSE(files.replaceFile(tmp.filePath("no-such-folder/x"), "data"));
}

TEST(LinuxFiles, ReplaceAndCopyRoundTrip) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    LinuxFiles files;
    const QString source = tmp.filePath("click.wav");
    const QString target = tmp.filePath("copy.wav");
    QByteArray big(200000, '\0');
    for (int i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 251);

    ASSERT_TRUE(files.replaceFile(source, big));
    EXPECT_EQ(files.readFile(source, big.size() + 10), big);
    writeFile(target, "old and longer than nothing");
    ASSERT_TRUE(files.copyFile(source, target)) << "the target is overwritten";
    EXPECT_EQ(files.readFile(target, big.size() + 10), big);

    ASSERT_TRUE(files.replaceFile(source, "short"));
    EXPECT_EQ(files.readFile(source, 100), QByteArray("short")) << "a shorter file leaves no tail";
    // A link to a file is written through: the file changes, the link stays.
    const QString link = tmp.filePath("link.wav");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(files.copyFile(source, link));
    EXPECT_EQ(files.readFile(target, 100), QByteArray("short"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(files.copyFile(tmp.filePath("missing"), target));
    EXPECT_EQ(files.readFile(target, 100), QByteArray("short")) << "a failed copy leaves the target";
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3)
        << "no temporary file is left behind";
}

// The choice of the folder Ostra keeps its files in.
#include "app/data_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace ostra {
namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(data);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A program folder as installed: the shipped files, each with its own
// content, read-only as a package installs them.
QString makeProgramFolder(const QTemporaryDir& tmp) {
    const QString prog = tmp.filePath(QStringLiteral("lib/ostra"));
    QDir().mkpath(prog);
    for (const QString& name : DataFolder::shippedFiles()) {
        writeFile(prog + QLatin1Char('/') + name, "shipped " + name.toUtf8());
        QFile::setPermissions(prog + QLatin1Char('/') + name,
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return prog;
}

TEST(DataFolder, WritableProgramFolderIsUsedAsItIs) {
    QTemporaryDir tmp;
    const QString prog = makeProgramFolder(tmp);
    const QString home = tmp.filePath(QStringLiteral("home/.local/share"));
    // A temporary folder is writable for anyone, root or not.
    EXPECT_TRUE(DataFolder::writable(prog));
    EXPECT_EQ(prog, DataFolder::choose(prog, home));
    EXPECT_EQ(prog, DataFolder::choose(prog, true, home));
    EXPECT_FALSE(QFileInfo::exists(home)) << "nothing is made in the user's data home";
    EXPECT_FALSE(DataFolder::writable(tmp.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(DataFolder::writable(prog + QStringLiteral("/help.htm"))) << "a file is no folder";
}

TEST(DataFolder, ReadOnlyProgramFolderMovesEverythingToTheUsersFolder) {
    QTemporaryDir tmp;
    const QString prog = makeProgramFolder(tmp);
    const QString home = tmp.filePath(QStringLiteral("home/.local/share"));
    const QString own = home + QStringLiteral("/ostra");

    // First use: the folder and its parents are made, every shipped file is
    // copied, and the copies can be replaced by the user (the sound settings
    // overwrite three of them).
    EXPECT_EQ(own, DataFolder::choose(prog, false, home));
    for (const QString& name : DataFolder::shippedFiles()) {
        const QString copy = own + QLatin1Char('/') + name;
        EXPECT_EQ("shipped " + name.toUtf8(), readFile(copy)) << name.toStdString();
        EXPECT_TRUE(QFileInfo(copy).isWritable()) << name.toStdString();
    }
    EXPECT_EQ(DataFolder::shippedFiles().size(), QDir(own).entryList(QDir::Files).size())
        << "no temporary file is left behind";

    // The user replaces the alarm, deletes the help page, and the program
    // left its settings and a link the user made; the next start keeps all
    // of it and only brings the missing help page back.
    writeFile(own + QStringLiteral("/alarm.wav"), "my alarm");
    QFile::remove(own + QStringLiteral("/help.htm"));
    QFile::remove(own + QStringLiteral("/start.wav"));
    ASSERT_TRUE(QFile::link(tmp.filePath(QStringLiteral("nowhere.wav")), own + QStringLiteral("/start.wav")));
    writeFile(own + QStringLiteral("/tevo.ini"), "[my11]\r\nStartCounter=3\r\n");
    EXPECT_EQ(own, DataFolder::choose(prog, false, home));
    EXPECT_EQ("my alarm", readFile(own + QStringLiteral("/alarm.wav")));
    EXPECT_TRUE(QFileInfo(own + QStringLiteral("/start.wav")).isSymLink()) << "a dangling link stays the user's";
    EXPECT_EQ("shipped help.htm", readFile(own + QStringLiteral("/help.htm")));
    EXPECT_EQ("[my11]\r\nStartCounter=3\r\n", readFile(own + QStringLiteral("/tevo.ini")));

    // The real test of writability, where the permission bits decide (not
    // for root, who may write anywhere).
    if (::geteuid() != 0) {
        QFile::setPermissions(prog, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(DataFolder::writable(prog));
        EXPECT_EQ(own, DataFolder::choose(prog, home));
        QFile::setPermissions(prog, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(DataFolder, WithoutAUsableUserFolderTheProgramFolderStays) {
    QTemporaryDir tmp;
    const QString prog = makeProgramFolder(tmp);
    // The data home is a file: no folder can be made below it.
    writeFile(tmp.filePath(QStringLiteral("share")), "not a folder");
    EXPECT_EQ(prog, DataFolder::choose(prog, false, tmp.filePath(QStringLiteral("share"))));
    // A relative data home is ignored, as the XDG rule says.
    EXPECT_EQ(prog, DataFolder::choose(prog, false, QStringLiteral("relative/share")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative")));
}

TEST(DataFolder, UserDataHomeFollowsTheXdgRule) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(QStringLiteral("/srv/data"), DataFolder::userDataHome());
    qputenv("XDG_DATA_HOME", "data");
    EXPECT_EQ(QDir::homePath() + QStringLiteral("/.local/share"), DataFolder::userDataHome());
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(QDir::homePath() + QStringLiteral("/.local/share"), DataFolder::userDataHome());
    if (wasSet) qputenv("XDG_DATA_HOME", saved);
}

}  // namespace
}  // namespace ostra

// The Linux shell role with real processes. The desktop's look-up folders
// (HOME and the XDG folders) point into one private folder for the whole
// test process, so that only the entries and default applications made here
// are seen; GLib keeps the first folders it saw for the life of the process.
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/start_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

using ostra::LinuxFiles;

namespace {

void writeFile(const QString& path, const QByteArray& data, bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
    f.close();
    if (executable) {
        ASSERT_TRUE(f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser));
    }
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Waits, with the event loop running, until `done` holds or 15 s pass.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 15000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

// Our children that have ended and not been reaped.
int zombieChildren() {
    int count = 0;
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    QDirIterator it("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QByteArray stat = readAll(it.next() + "/stat");
        // pid (comm) state ppid ...: the name may hold blanks and brackets.
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[0] == "Z" && rest[1] == self) ++count;
    }
    return count;
}

// A private desktop: its folders, default applications and recorders.
struct Desktop {
    QTemporaryDir root;
    QString path(const QString& name) const { return root.filePath(name); }

    Desktop() {
        for (const char* d : {"home", "data", "config", "sysdata", "sysconfig", "work", "list"}) QDir().mkpath(path(d));

        // Recorders: each appends its argument to its own file.
        writeFile(path("bin/record-doc.sh"),
                  "#!/bin/sh\nenv > '" + path("doc-env").toUtf8() + "'\nprintf '%s\\n' \"$1\" >> '" +
                      path("doc-record").toUtf8() + "'\n",
                  true);
        writeFile(path("bin/record-web.sh"),
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + path("web-record").toUtf8() + "'\n", true);
        writeFile(path("data/applications/ostra-test-reader.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Reader\nMimeType=text/plain;\nExec=\"" +
                      path("bin/record-doc.sh").toUtf8() + "\" %f\n");
        writeFile(path("data/applications/ostra-test-browser.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Browser\n"
                  "MimeType=x-scheme-handler/http;\nExec=\"" +
                      path("bin/record-web.sh").toUtf8() + "\" %u\n");
        writeFile(path("config/mimeapps.list"),
                  "[Default Applications]\ntext/plain=ostra-test-reader.desktop\n"
                  "x-scheme-handler/http=ostra-test-browser.desktop\n");
    }
};

Desktop& desktop() {
    static Desktop d;  // for the whole process: GLib keeps the folders it saw
    return d;
}

const char* const kDesktopVariables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                         "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"};
const char* const kDesktopFolders[] = {"home", "data", "config", "sysdata", "sysconfig"};

class LinuxShell : public ::testing::Test {
protected:
    // Only this suite sees the private desktop; the variables are put back
    // for the tests that follow.
    static void SetUpTestSuite() {
        for (int i = 0; i < 5; ++i) {
            savedVariables_[i] = qgetenv(kDesktopVariables[i]);
            qputenv(kDesktopVariables[i], QFile::encodeName(desktop().path(kDesktopFolders[i])));
        }
    }
    static void TearDownTestSuite() {
        for (int i = 0; i < 5; ++i) {
            if (savedVariables_[i].isNull()) qunsetenv(kDesktopVariables[i]);
            else qputenv(kDesktopVariables[i], savedVariables_[i]);
        }
    }
    void SetUp() override {
        ASSERT_TRUE(desktop().root.isValid());
        // Every test starts from an empty list folder and no records.
        QDir(path("list")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(path("list")));
        for (const char* f : {"entry-ran", "program-ran", "document-ran", "doc-record", "web-record", "doc-env"})
            QFile::remove(path(f));
        zombiesBefore_ = zombieChildren();
        oldFolder_ = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(oldFolder_);
        // Started programs are gone by now; none may be left unreaped.
        EXPECT_TRUE(waitFor([&] { return zombieChildren() <= zombiesBefore_; }))
            << zombieChildren() << " zombie children";
    }
    QString path(const QString& name) const { return desktop().path(name); }

    ostra::LinuxShell shell;
    LinuxFiles files;
    int zombiesBefore_ = 0;
    QString oldFolder_;
    static inline QByteArray savedVariables_[5];
};

}  // namespace

TEST_F(LinuxShell, LaunchesDesktopEntriesAndStartsProgramsInTheCurrentFolder) {
    // A desktop entry runs its command; it is never opened as text.
    const QString entryMarker = path("entry-ran");
    writeFile(path("bin/entry.sh"), "#!/bin/sh\ntouch '" + entryMarker.toUtf8() + "'\n", true);
    writeFile(path("list/Tool.desktop"), "[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" +
                                             path("bin/entry.sh").toUtf8() + "\"\n");
    EXPECT_TRUE(shell.open(path("list/Tool.desktop")));
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(entryMarker); }));

    // A script starts in the current folder, and through a link as well.
    const QString programMarker = path("program-ran");
    writeFile(path("list/program.sh"),
              "#!/bin/sh\npwd >> '" + programMarker.toUtf8() + "'\n", true);
    ASSERT_TRUE(QFile::link(path("list/program.sh"), path("list/program-link")));
    ASSERT_TRUE(files.setCurrentFolder(path("work")));
    const QByteArray work = QFileInfo(path("work")).canonicalFilePath().toUtf8();
    EXPECT_TRUE(shell.open(path("list/program.sh")));
    EXPECT_TRUE(waitFor([&] { return readAll(programMarker) == work + "\n"; }))
        << readAll(programMarker).toStdString();
    EXPECT_TRUE(shell.open(path("list/program-link")));
    EXPECT_TRUE(waitFor([&] { return readAll(programMarker) == work + "\n" + work + "\n"; }))
        << readAll(programMarker).toStdString();
    EXPECT_EQ(readAll(path("doc-record")), QByteArray()) << "no program went to the reader";

    EXPECT_FALSE(shell.open(path("list/missing.sh")));
    ASSERT_TRUE(QFile::link(path("list/gone"), path("list/broken")));
    EXPECT_FALSE(shell.open(path("list/broken")));
}

TEST_F(LinuxShell, DocumentsAndAddressesGoToTheirApplications) {
    const QString record = path("doc-record");
    writeFile(path("list/notes.txt"), "Things to do\n");
    EXPECT_TRUE(shell.open(path("list/notes.txt")));
    EXPECT_TRUE(waitFor([&] { return readAll(record) == path("list/notes.txt").toUtf8() + "\n"; }))
        << readAll(record).toStdString();

    // On a vfat folder every file carries the execute bit; a document that
    // even reads like a shell script is still only shown, never run.
    const QString ranMarker = path("document-ran");
    const QString document = path("list/readme.txt");
    writeFile(document, "touch '" + ranMarker.toUtf8() + "'\n", true);
    ASSERT_TRUE(QFileInfo(document).isExecutable());
    EXPECT_TRUE(shell.open(document));
    EXPECT_TRUE(waitFor([&] { return readAll(record).endsWith(document.toUtf8() + "\n"); }))
        << readAll(record).toStdString();
    EXPECT_FALSE(QFileInfo::exists(ranMarker));

    // A link to a document opens the document itself, found relative to
    // the current folder.
    ASSERT_TRUE(QFile::link(path("list/notes.txt"), path("list/notes-link")));
    ASSERT_TRUE(files.setCurrentFolder(path("list")));
    EXPECT_TRUE(shell.open("notes-link"));
    EXPECT_TRUE(waitFor([&] { return readAll(record).count("notes.txt") == 2; }))
        << readAll(record).toStdString();

    // A web address reaches the handler of its scheme, unchanged.
    const QString address = "http://127.0.0.1:9/tamrel?a=1&b=%20x";
    EXPECT_TRUE(shell.open(address));
    EXPECT_TRUE(waitFor([&] { return readAll(path("web-record")) == address.toUtf8() + "\n"; }))
        << readAll(path("web-record")).toStdString();
    // So does the address of a link entry.
    writeFile(path("list/Site.desktop"),
              "[Desktop Entry]\nType=Link\nName=Site\nURL=http://127.0.0.1:9/site\n");
    EXPECT_TRUE(shell.open(path("list/Site.desktop")));
    EXPECT_TRUE(waitFor([&] { return readAll(path("web-record")).endsWith("/site\n"); }))
        << readAll(path("web-record")).toStdString();

    // A script without the execute bit is a document too.
    writeFile(path("list/setup.sh"), "#!/bin/sh\ntouch '" + ranMarker.toUtf8() + "'\n");
    EXPECT_TRUE(shell.open(path("list/setup.sh")));
    EXPECT_TRUE(waitFor([&] { return readAll(record).endsWith("setup.sh\n"); }))
        << readAll(record).toStdString();
    EXPECT_FALSE(QFileInfo::exists(ranMarker));
}

TEST_F(LinuxShell, APathIsUsedAsItStandsAndOnlyAnAddressIsTrimmed) {
    // Two entries whose names differ only by a blank at the end, and one
    // whose name begins and ends with blanks alone.
    const QString marker = path("program-ran");
    auto script = [&](const QString& name, const char* says) {
        writeFile(path("list/" + name), "#!/bin/sh\necho " + QByteArray(says) + " >> '" + marker.toUtf8() + "'\n", true);
    };
    script("tool.sh ", "blank");
    script("tool.sh", "plain");
    script(" lone.sh ", "lone");
    ASSERT_TRUE(files.setCurrentFolder(path("work")));
    EXPECT_TRUE(shell.open(path("list/tool.sh ")));
    EXPECT_TRUE(waitFor([&] { return readAll(marker) == "blank\n"; })) << readAll(marker).toStdString();
    EXPECT_TRUE(shell.open(path("list/ lone.sh ")));
    EXPECT_TRUE(waitFor([&] { return readAll(marker) == "blank\nlone\n"; })) << readAll(marker).toStdString();
    EXPECT_TRUE(shell.open(path("list/tool.sh")));
    EXPECT_TRUE(waitFor([&] { return readAll(marker) == "blank\nlone\nplain\n"; })) << readAll(marker).toStdString();
    // No file of the trimmed name stands in for a missing one with blanks.
    EXPECT_FALSE(shell.open(path("list/lone.sh")));
    EXPECT_FALSE(shell.open(path("list/tool.sh  ")));
    QThread::msleep(300);
    EXPECT_EQ(readAll(marker), "blank\nlone\nplain\n");

    // An address is trimmed before it goes to its handler.
    EXPECT_TRUE(shell.open(" http://127.0.0.1:9/help \n"));
    EXPECT_TRUE(waitFor([&] { return readAll(path("web-record")).endsWith("http://127.0.0.1:9/help\n"); }))
        << readAll(path("web-record")).toStdString();
    EXPECT_FALSE(shell.open("  "));
}

TEST_F(LinuxShell, StartedProgramsGetTheEnvironmentOstraWasStartedWith) {
    // Ostra sets a bus address for itself where it was started without one.
    qunsetenv("OSTRA_TEST_SHELL_UNSET");
    qputenv("OSTRA_TEST_SHELL_GIVEN", "as given");
    ostra::setOwnVariable("OSTRA_TEST_SHELL_UNSET", "unix:path=/nonexistent/bus");
    ostra::setOwnVariable("OSTRA_TEST_SHELL_GIVEN", "changed");
    auto variables = [](const QString& file) {
        std::vector<std::string> ours;
        for (const QByteArray& l : readAll(file).split('\n'))
            if (l.startsWith("OSTRA_TEST_SHELL_")) ours.push_back(l.toStdString());
        return ours;
    };
    const std::vector<std::string> expected{"OSTRA_TEST_SHELL_GIVEN=as given"};

    // A program, a desktop entry and a document's application.
    writeFile(path("list/dump.sh"), "#!/bin/sh\nenv > '" + path("program-ran").toUtf8() + "'\n", true);
    EXPECT_TRUE(shell.open(path("list/dump.sh")));
    EXPECT_TRUE(waitFor([&] { return readAll(path("program-ran")).contains("PATH="); }));
    EXPECT_EQ(variables(path("program-ran")), expected);

    writeFile(path("bin/entry-env.sh"), "#!/bin/sh\nenv > '" + path("entry-ran").toUtf8() + "'\n", true);
    writeFile(path("list/Env.desktop"), "[Desktop Entry]\nType=Application\nName=Env\nExec=\"" +
                                            path("bin/entry-env.sh").toUtf8() + "\"\n");
    EXPECT_TRUE(shell.open(path("list/Env.desktop")));
    EXPECT_TRUE(waitFor([&] { return readAll(path("entry-ran")).contains("PATH="); }));
    EXPECT_EQ(variables(path("entry-ran")), expected);

    writeFile(path("list/help.txt"), "Help\n");
    EXPECT_TRUE(shell.open(path("list/help.txt")));
    EXPECT_TRUE(waitFor([&] { return readAll(path("doc-record")).contains("help.txt"); }));
    EXPECT_EQ(variables(path("doc-env")), expected);
}

TEST_F(LinuxShell, ZombieCountSeesAnUnreapedChild) {
    // The check every test ends with must be able to fail.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    EXPECT_TRUE(waitFor([&] { return zombieChildren() == zombiesBefore_ + 1; }));
    EXPECT_EQ(::waitpid(child, nullptr, 0), child);
}

// The single-instance guard with real locks and sockets in a private folder,
// and a real second process for the crashed-copy case.
#include "platform/instance_guard.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>

using ostra::InstanceGuard;

TEST(InstanceGuard, SecondGuardOnTheSameNameIsRefusedUntilTheFirstGoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto first = std::make_unique<InstanceGuard>(QStringLiteral("ostra"), dir.path());
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->acquire());  // asking again keeps it
    EXPECT_TRUE(first->lockPath().startsWith(dir.path()));

    InstanceGuard second(QStringLiteral("ostra"), dir.path());
    EXPECT_FALSE(second.acquire());
    EXPECT_FALSE(second.acquire());

    // A different executable name is a different program.
    InstanceGuard other(QStringLiteral("ostra-copy"), dir.path());
    EXPECT_TRUE(other.acquire());

    first.reset();
    // The lock file stays behind; it does not block the next copy.
    EXPECT_TRUE(QFile::exists(second.lockPath()));
    InstanceGuard third(QStringLiteral("ostra"), dir.path());
    EXPECT_TRUE(third.acquire());
    EXPECT_FALSE(second.acquire());
}

TEST(InstanceGuard, SecondCopyAsksTheRunningOneToShowItself) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InstanceGuard running(QStringLiteral("ostra"), dir.path());
    ASSERT_TRUE(running.acquire());
    // A socket file left by a crashed copy does not stop the new one listening.
    {
        QFile stale(running.socketPath());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(running.listen());
    QSignalSpy shows(&running, &InstanceGuard::showRequested);

    InstanceGuard second(QStringLiteral("ostra"), dir.path());
    ASSERT_FALSE(second.acquire());
    EXPECT_TRUE(second.askRunningCopyToShow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows.count() == 1; }, 5000));

    InstanceGuard third(QStringLiteral("ostra"), dir.path());
    EXPECT_TRUE(third.askRunningCopyToShow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows.count() == 2; }, 5000));

    // Another name reaches nobody and nothing arrives here.
    InstanceGuard stranger(QStringLiteral("other"), dir.path());
    EXPECT_FALSE(stranger.askRunningCopyToShow(300));
    QTest::qWait(100);
    EXPECT_EQ(shows.count(), 2);
}

TEST(InstanceGuard, NobodyListeningGivesUpAfterTheTimeout) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InstanceGuard lonely(QStringLiteral("ostra"), dir.path());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(lonely.askRunningCopyToShow(300));
    EXPECT_LT(t.elapsed(), 3000);
}

TEST(InstanceGuard, LockOfACrashedCopyIsTakenOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InstanceGuard guard(QStringLiteral("ostra"), dir.path());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The other copy: take the lock, report, then wait to be killed.
        ::close(ready[0]);
        InstanceGuard child(QStringLiteral("ostra"), dir.path());
        char c = child.acquire() ? '1' : '0';
        if (::write(ready[1], &c, 1) != 1) ::_exit(2);
        for (;;) ::pause();
    }
    // Never leave the child behind, whatever fails below.
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } reaper{pid};
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(c, '1');
    EXPECT_FALSE(guard.acquire());  // held by the other process

    ASSERT_EQ(::kill(pid, SIGKILL), 0);  // a crash: no clean-up runs
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    reaper.pid = 0;
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(QFile::exists(guard.lockPath()));
    EXPECT_TRUE(guard.acquire());
}

TEST(InstanceGuard, TheSocketIsTheUsersAloneAndASilentVisitorBlocksNobody) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InstanceGuard running(QStringLiteral("ostra"), dir.path());
    ASSERT_TRUE(running.acquire());
    ASSERT_TRUE(running.listen());
    EXPECT_TRUE(running.listen());  // once is enough
    QSignalSpy shows(&running, &InstanceGuard::showRequested);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(running.socketPath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // Nothing staged beside it is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(), 2);

    // A visitor that connects and says nothing, one that says something
    // else, and one that hangs up at once: no show, and a real wish after
    // them still arrives.
    auto connectTo = [&] {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(running.socketPath());
        std::memcpy(addr.sun_path, p.constData(), static_cast<size_t>(p.size()));
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        return fd;
    };
    const int silent = connectTo();
    const int other = connectTo();
    EXPECT_EQ(::write(other, "hide\n", 5), 5);
    ::close(connectTo());
    QTest::qWait(100);
    EXPECT_EQ(shows.count(), 0);
    InstanceGuard second(QStringLiteral("ostra"), dir.path());
    EXPECT_TRUE(second.askRunningCopyToShow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows.count() == 1; }, 5000));
    ::close(silent);
    ::close(other);
}

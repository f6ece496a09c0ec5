// The Linux roles of the export, for real: the collector's folder on
// temporary folders (a missing folder, a file in its place, a FIFO, a link
// or a folder at the file's name: nothing written through it, no wait),
// and the journal's sender on a datagram socket of the test's own (an
// entry arrives as the native protocol says; with no journal, or a journal
// that does not read, the sender returns at once).
#include "platform/linux/linux_collector_folder.h"
#include "platform/linux/linux_journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ostra {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Runs `f` on a thread of its own; fails when it takes longer than 5 s.
template <typename F>
auto within5s(F f) {
    auto done = std::async(std::launch::async, std::move(f));
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "still waiting after 5 s";
        std::abort();  // a stuck thread cannot be joined
    }
    return done.get();
}

TEST(LinuxCollectorFolder, ReplacesTheFileWholeReadableByOthersAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    LinuxCollectorFolder folder;
    ::umask(077);
    EXPECT_EQ(folder.publish(dir.path(), QStringLiteral("ostra-u.prom"), "one\n"), std::nullopt);
    EXPECT_EQ(folder.publish(dir.path(), QStringLiteral("ostra-u.prom"), "two\n"), std::nullopt);
    ::umask(022);
    const QString path = dir.filePath(QStringLiteral("ostra-u.prom"));
    EXPECT_EQ(readAll(path), QByteArray("two\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "the collector runs as another user";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ostra-u.prom"});
    folder.withdraw(dir.path(), QStringLiteral("ostra-u.prom"));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(folder.userName().isEmpty());
}

TEST(LinuxCollectorFolder, AMissingFolderOrAFileInItsPlaceSaysWhy) {
    QTemporaryDir dir;
    LinuxCollectorFolder folder;
    EXPECT_EQ(folder.publish(dir.filePath(QStringLiteral("none")), QStringLiteral("f.prom"), "x"),
              QStringLiteral("No such file or directory"));
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(folder.publish(plain.fileName(), QStringLiteral("f.prom"), "x"), QStringLiteral("Not a directory"));
}

TEST(LinuxCollectorFolder, AFifoALinkOrAFolderAtTheNameIsNeitherWrittenThroughNorWaitedFor) {
    QTemporaryDir dir;
    LinuxCollectorFolder folder;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo.prom")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    const std::optional<QString> fifoFailure =
        within5s([&] { return folder.publish(dir.path(), QStringLiteral("fifo.prom"), "x"); });
    EXPECT_TRUE(fifoFailure.has_value());

    QFile victim(dir.filePath(QStringLiteral("victim")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("keep");
    victim.close();
    const QString link = dir.filePath(QStringLiteral("link.prom"));
    ASSERT_TRUE(QFile::link(victim.fileName(), link));
    EXPECT_TRUE(folder.publish(dir.path(), QStringLiteral("link.prom"), "x").has_value());
    EXPECT_EQ(readAll(victim.fileName()), QByteArray("keep"));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), victim.fileName()) << "the link left as it was";

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub.prom")));
    EXPECT_TRUE(folder.publish(dir.path(), QStringLiteral("sub.prom"), "x").has_value());

    // None of them is taken away at the end either; nothing else was made.
    for (const char* n : {"fifo.prom", "link.prom", "sub.prom"}) folder.withdraw(dir.path(), QLatin1String(n));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
              (QStringList{"fifo.prom", "link.prom", "sub.prom", "victim"}));
}

// A datagram socket bound in a temporary folder, as the journal's is.
struct FakeJournalSocket {
    QTemporaryDir dir;
    QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("socket")));
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    FakeJournalSocket() {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof(a)), 0);
    }
    ~FakeJournalSocket() { ::close(fd); }
    QByteArray receive() {
        QByteArray buf(65536, '\0');
        const ssize_t n = ::recv(fd, buf.data(), static_cast<std::size_t>(buf.size()), MSG_DONTWAIT);
        return n < 0 ? QByteArray() : buf.left(static_cast<int>(n));
    }
};

TEST(LinuxJournalTest, AnEntryArrivesInTheNativeProtocol) {
    FakeJournalSocket journald;
    LinuxJournal journal(journald.path);
    const JournalFields fields{{"MESSAGE", "Memory load 93%"}, {"OSTRA_APP", "a\nb"}, {"OSTRA_APP", "c"}};
    EXPECT_TRUE(journal.send(fields));
    EXPECT_EQ(journald.receive(), journal::datagram(fields));
    EXPECT_EQ(journal::datagram(fields),
              QByteArray("MESSAGE=Memory load 93%\nOSTRA_APP\n\x03\0\0\0\0\0\0\0a\nb\nOSTRA_APP=c\n", 58));
}

TEST(LinuxJournalTest, NoJournalOrOneThatDoesNotReadNeverHoldsTheSenderUp) {
    QTemporaryDir dir;
    LinuxJournal none(QFile::encodeName(dir.filePath(QStringLiteral("no-socket"))));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(none.send({{"MESSAGE", "x"}}));
    EXPECT_LT(t.elapsed(), 1000);

    // A journal whose queue is full: the entries beyond it are dropped at
    // once (a blocking sender would wait here for ever).
    FakeJournalSocket stuck;
    LinuxJournal journal(stuck.path);
    const int refused = within5s([&] {
        int r = 0;
        for (int i = 0; i < 5000; ++i) r += journal.send({{"MESSAGE", QByteArray(512, 'x')}}) ? 0 : 1;
        return r;
    });
    EXPECT_GT(refused, 0);
    EXPECT_FALSE(stuck.receive().isEmpty()) << "the first ones did arrive";
}

}  // namespace
}  // namespace ostra

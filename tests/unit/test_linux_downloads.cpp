// HTTP downloads against a real server on 127.0.0.1 (tests/e2e/http_fixture.py)
// with its well-behaved and misbehaving modes.
#include "platform/linux/linux_downloads.h"

#include "child_process.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using ostra::LinuxDownloads;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The fixture server in its own process, serving a private folder.
class HttpServer {
public:
    HttpServer() {
        const QString portFile = dir_.filePath(QStringLiteral("port"));
        root_ = dir_.filePath(QStringLiteral("root"));
        QDir().mkpath(root_);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        testing_support::endWithThisProcess(server_);
        server_.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(OSTRA_E2E_DIR "/http_fixture.py"), QStringLiteral("--root"), root_,
                       QStringLiteral("--port-file"), portFile});
        if (!server_.waitForStarted(5000)) return;
        if (QTest::qWaitFor([&] { return QFile::exists(portFile); }, 10000))
            port_ = readAll(portFile).trimmed().toInt();
    }
    ~HttpServer() { testing_support::stopChild(server_); }
    bool ok() const { return port_ > 0; }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }
    bool put(const QString& name, const QByteArray& data) { return writeAll(root_ + '/' + name, data); }

private:
    QTemporaryDir dir_;
    QString root_;
    QProcess server_;
    int port_ = 0;
};

// One fetch: how often `done` ran, with what, and whether inside fetch().
struct Outcome {
    int calls = 0;
    bool ok = false;
    bool early = false;
};

std::shared_ptr<Outcome> start(LinuxDownloads& d, const QString& url, const QString& target) {
    auto o = std::make_shared<Outcome>();
    d.fetch(url, target, [o](bool ok) {
        ++o->calls;
        o->ok = ok;
    });
    o->early = o->calls != 0;
    return o;
}

// Runs the event loop until the fetch reports, then a little longer so that a
// second report would be seen.
bool fetchNow(LinuxDownloads& d, const QString& url, const QString& target, int waitMs = 20000) {
    auto o = start(d, url, target);
    EXPECT_FALSE(o->early) << url.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return o->calls > 0; }, waitMs)) << url.toStdString();
    QTest::qWait(50);
    EXPECT_EQ(o->calls, 1) << url.toStdString();
    return o->calls == 1 && o->ok;
}

}  // namespace

TEST(LinuxDownloads, OnlyACompleteOkAnswerReplacesTheTarget) {
    HttpServer http;
    ASSERT_TRUE(http.ok());
    ASSERT_TRUE(http.put(QStringLiteral("v.txt"), "1.04\r\n"));
    ASSERT_TRUE(http.put(QStringLiteral("w.txt"), "1.05\r\n"));
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("vornalk.vvv"));
    ASSERT_TRUE(writeAll(target, "1.03 old\r\n"));

    LinuxDownloads d;
    // Nothing of the network is set up until the first fetch.
    EXPECT_EQ(d.findChild<QNetworkAccessManager*>(), nullptr);

    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/missing.txt")), target));
    EXPECT_EQ(readAll(target), "1.03 old\r\n");
    EXPECT_NE(d.findChild<QNetworkAccessManager*>(), nullptr);

    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/__404/v.txt")), target));
    EXPECT_EQ(readAll(target), "1.03 old\r\n");

    // Nobody listens on a port that was just given back.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    EXPECT_FALSE(fetchNow(d, QStringLiteral("http://127.0.0.1:%1/v.txt").arg(closedPort), target));
    EXPECT_EQ(readAll(target), "1.03 old\r\n");

    // Only http(s): other schemes are refused without reading anything.
    const QString local = dir.filePath(QStringLiteral("local.txt"));
    ASSERT_TRUE(writeAll(local, "local\n"));
    EXPECT_FALSE(fetchNow(d, QUrl::fromLocalFile(local).toString(), target));
    EXPECT_FALSE(fetchNow(d, QStringLiteral("not a url"), target));
    EXPECT_EQ(readAll(target), "1.03 old\r\n");

    EXPECT_TRUE(fetchNow(d, http.url(QStringLiteral("/v.txt")), target));
    EXPECT_EQ(readAll(target), "1.04\r\n");

    // A redirect on the same scheme is followed; one to another is not.
    EXPECT_TRUE(fetchNow(d, http.url(QStringLiteral("/__redirect?to=/w.txt")), target));
    EXPECT_EQ(readAll(target), "1.05\r\n");
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/__redirect?to=ftp://127.0.0.1/v.txt")), target));
    EXPECT_EQ(readAll(target), "1.05\r\n");

    // A missing target is created; its folder must exist.
    const QString fresh = dir.filePath(QStringLiteral("fresh.vvv"));
    EXPECT_TRUE(fetchNow(d, http.url(QStringLiteral("/v.txt")), fresh));
    EXPECT_EQ(readAll(fresh), "1.04\r\n");
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/v.txt")), dir.filePath(QStringLiteral("no/such.vvv"))));
}

TEST(LinuxDownloads, SilentAndTricklingServersFailAtTheTimeLimitWhileTheLoopRuns) {
    HttpServer http;
    ASSERT_TRUE(http.ok());
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("vornalk.vvv"));
    ASSERT_TRUE(writeAll(target, "old"));

    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
    heartbeat.start(20);

    // Half a second in all, however the bytes come; a large size limit so
    // that only the clock can end the trickle.
    LinuxDownloads d(500, 1 << 20);
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/__silent/v.txt")), target));
    EXPECT_GE(ticks, 5);  // the user interface went on meanwhile
    ticks = 0;
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/__trickle/v.txt")), target));
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(readAll(target), "old");

    // Destroyed while waiting: the fetch is dropped, its callback never runs.
    auto gone = std::make_unique<LinuxDownloads>(60000);
    auto o = start(*gone, http.url(QStringLiteral("/__silent/v.txt")), target);
    QTest::qWait(100);
    gone.reset();
    QTest::qWait(200);
    EXPECT_EQ(o->calls, 0);
    EXPECT_EQ(readAll(target), "old");
}

TEST(LinuxDownloads, BodiesOverTheSizeLimitAreCutOff) {
    HttpServer http;
    ASSERT_TRUE(http.ok());
    ASSERT_TRUE(http.put(QStringLiteral("exact.bin"), QByteArray(4096, 'e')));
    ASSERT_TRUE(http.put(QStringLiteral("over.bin"), QByteArray(4097, 'o')));
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("vornalk.vvv"));
    ASSERT_TRUE(writeAll(target, "old"));

    // The clock would end an endless body only after a minute, long after
    // the wait below gives up: a failure here comes from the size limit.
    LinuxDownloads d(60000, 4096);
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/__endless/")), target, 20000));
    EXPECT_EQ(readAll(target), "old");
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/over.bin")), target));
    EXPECT_EQ(readAll(target), "old");
    EXPECT_TRUE(fetchNow(d, http.url(QStringLiteral("/exact.bin")), target));
    EXPECT_EQ(readAll(target), QByteArray(4096, 'e'));
}

TEST(LinuxDownloads, ATargetThatIsNoRegularFileIsNeverWritten) {
    HttpServer http;
    ASSERT_TRUE(http.ok());
    ASSERT_TRUE(http.put(QStringLiteral("v.txt"), "1.04\n"));
    QTemporaryDir dir;
    LinuxDownloads d;

    // A reader waits on the FIFO: anything written through it would arrive.
    const QString fifo = dir.filePath(QStringLiteral("fifo.vvv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/v.txt")), fifo));
    char buf[16];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0);
    ::close(reader);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    const QString folder = dir.filePath(QStringLiteral("folder.vvv"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(writeAll(folder + QStringLiteral("/inside"), "kept"));
    EXPECT_FALSE(fetchNow(d, http.url(QStringLiteral("/v.txt")), folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(readAll(folder + QStringLiteral("/inside")), "kept");

    // A link to a regular file is fine: the file behind it is replaced.
    const QString real = dir.filePath(QStringLiteral("real.vvv"));
    const QString link = dir.filePath(QStringLiteral("link.vvv"));
    ASSERT_TRUE(writeAll(real, "old"));
    ASSERT_TRUE(QFile::link(real, link));
    EXPECT_TRUE(fetchNow(d, http.url(QStringLiteral("/v.txt")), link));
    EXPECT_EQ(readAll(real), "1.04\n");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

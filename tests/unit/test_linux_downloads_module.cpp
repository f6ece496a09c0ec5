// Loading the download module at the first fetch: the real module built
// beside the tests against a one-shot HTTP server on 127.0.0.1, and the
// failures when the module is missing or is no module of this build.
#include "platform/linux/linux_downloads_module.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <optional>

using ostra::LinuxDownloadsModule;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Answers every request with 200 and `body`.
class OneAnswerServer {
public:
    explicit OneAnswerServer(QByteArray body) : body_(std::move(body)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n")) return;
                    ++requests;
                    s->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                             QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
                    s->disconnectFromHost();
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/v.txt").arg(server_.serverPort()); }
    int requests = 0;

private:
    QTcpServer server_;
    QByteArray body_;
};

// Fetches and waits for `done`; nullopt when it never came. `inside` tells
// whether it ran inside fetch().
std::optional<bool> fetchNow(LinuxDownloadsModule& d, const QString& url, const QString& target,
                             bool* inside = nullptr) {
    auto result = std::make_shared<std::optional<bool>>();
    bool inFetch = true;
    bool calledInside = false;
    d.fetch(url, target, [result, &inFetch, &calledInside](bool ok) {
        calledInside = inFetch;
        *result = ok;
    });
    inFetch = false;
    (void)QTest::qWaitFor([&] { return result->has_value(); }, 20000);
    if (inside) *inside = calledInside;
    return *result;
}

}  // namespace

TEST(LinuxDownloadsModule, WithoutAUsableModuleEveryFetchFailsAndTheTargetStays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OneAnswerServer server("1.04\r\n");
    const QString target = dir.filePath(QStringLiteral("v.txt"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("earlier");
    f.close();

    // Missing: failed, later than fetch(), nothing asked of the server.
    LinuxDownloadsModule missing(dir.filePath(QStringLiteral("libostra_downloads.so")));
    bool inside = true;
    EXPECT_EQ(fetchNow(missing, server.url(), target, &inside), std::optional<bool>(false));
    EXPECT_FALSE(inside);
    EXPECT_FALSE(missing.loaded());

    // A damaged file under the module's name.
    const QString junk = dir.filePath(QStringLiteral("junk/libostra_downloads.so"));
    QDir().mkpath(QFileInfo(junk).path());
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(4096, 'x'));
    j.close();
    LinuxDownloadsModule damaged(junk);
    EXPECT_EQ(fetchNow(damaged, server.url(), target), std::optional<bool>(false));

    // A real shared library that is no download module.
    const char* other = nullptr;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&::dlopen), &info) && info.dli_fname) other = info.dli_fname;
    ASSERT_NE(other, nullptr);
    LinuxDownloadsModule stranger(QString::fromLocal8Bit(other));
    EXPECT_EQ(fetchNow(stranger, server.url(), target), std::optional<bool>(false));
    EXPECT_FALSE(stranger.loaded());

    EXPECT_EQ(server.requests, 0);
    EXPECT_EQ(readAll(target), QByteArray("earlier"));
    // Without a callback it still fails quietly.
    missing.fetch(server.url(), target, nullptr);
    QTest::qWait(50);
}

TEST(LinuxDownloadsModule, TheModuleIsLoadedAtTheFirstFetchAndKeepsItsLimits) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Its default place is the executable's folder.
    EXPECT_TRUE(LinuxDownloadsModule().modulePath().endsWith(QStringLiteral("/libostra_downloads.so")));

    LinuxDownloadsModule d(QStringLiteral(OSTRA_DOWNLOADS_MODULE), 20000, 16);
    EXPECT_FALSE(d.loaded());
    OneAnswerServer small("1.04\r\n1.03\r\n");
    const QString target = dir.filePath(QStringLiteral("v.txt"));
    bool inside = true;
    EXPECT_EQ(fetchNow(d, small.url(), target, &inside), std::optional<bool>(true));
    EXPECT_FALSE(inside);
    EXPECT_TRUE(d.loaded());
    EXPECT_EQ(readAll(target), QByteArray("1.04\r\n1.03\r\n"));

    // The size limit given here reached the module's fetcher.
    OneAnswerServer big(QByteArray(17, 'v'));
    EXPECT_EQ(fetchNow(d, big.url(), target), std::optional<bool>(false));
    EXPECT_EQ(big.requests, 1);
    EXPECT_EQ(readAll(target), QByteArray("1.04\r\n1.03\r\n"));
}

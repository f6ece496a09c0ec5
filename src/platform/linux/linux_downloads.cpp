#include "platform/linux/linux_downloads.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>
#include <cerrno>

namespace ostra {

namespace {

bool supportedScheme(const QUrl& url) {
    const QString s = url.scheme().toLower();
    return s == QLatin1String("http") || s == QLatin1String("https");
}

// A missing target is created; an existing one is replaced only when it is
// a regular file (after links). A folder, a FIFO or a device is left alone.
bool replaceableTarget(const QString& target) {
    if (target.isEmpty()) return false;
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

}  // namespace

// One fetch in flight. Owns its reply and its timer; deleting it ends both.
struct LinuxDownloads::Transfer : QObject {
    using QObject::QObject;
    QNetworkReply* reply = nullptr;
    QTimer timer;
    QString scheme;
    QString target;
    QByteArray body;
    std::function<void(bool)> done;
    bool over = false;
};

LinuxDownloads::LinuxDownloads(int timeLimitMs, qint64 sizeLimit, QObject* parent)
    : QObject(parent),
      timeLimitMs_(timeLimitMs > 0 ? timeLimitMs : 1),
      sizeLimit_(qMax<qint64>(sizeLimit, 0)),
      transfers_(new QObject(this)) {}

LinuxDownloads::~LinuxDownloads() {
    // Replies go before their manager. A transfer's connections end before
    // its reply does, so no callback runs from here.
    delete transfers_;
    delete network_;
}

QNetworkAccessManager* LinuxDownloads::network() {
    if (!network_) network_ = new QNetworkAccessManager(this);
    return network_;
}

void LinuxDownloads::report(std::function<void(bool)> done, bool ok) {
    if (!done) return;
    // Always from the event loop: the caller never sees its callback run
    // inside fetch() or inside a reply's signal.
    QMetaObject::invokeMethod(
        this, [done = std::move(done), ok] { done(ok); }, Qt::QueuedConnection);
}

void LinuxDownloads::fetch(const QString& url, const QString& target, std::function<void(bool)> done) {
    const QUrl address(url, QUrl::StrictMode);
    if (!address.isValid() || !supportedScheme(address) || address.host().isEmpty() ||
        !replaceableTarget(target)) {
        report(std::move(done), false);
        return;
    }

    auto* t = new Transfer(transfers_);
    t->scheme = address.scheme().toLower();
    t->target = target;
    t->done = std::move(done);

    QNetworkRequest request(address);
    // Each redirect is checked against the scheme we started with.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(timeLimitMs_);
    // The bytes as sent: the size limit then counts what arrives, and no
    // small compressed answer can unpack into a large one.
    request.setRawHeader("Accept-Encoding", "identity");

    t->reply = network()->get(request);
    t->reply->setParent(t);
    // Qt stops reading from the socket while this much waits unread, so a
    // flood cannot pile up faster than the checks below see it.
    t->reply->setReadBufferSize(sizeLimit_ + 1);

    connect(t->reply, &QNetworkReply::metaDataChanged, t, [this, t] {
        const QVariant length = t->reply->header(QNetworkRequest::ContentLengthHeader);
        const int status = t->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 200 && length.isValid() && length.toLongLong() > sizeLimit_) finish(t, false);
    });
    connect(t->reply, &QNetworkReply::redirected, t, [this, t](const QUrl& next) {
        if (next.scheme().toLower() != t->scheme) {
            finish(t, false);
            return;
        }
        t->body.clear();
        emit t->reply->redirectAllowed();
    });
    connect(t->reply, &QIODevice::readyRead, t, [this, t] { readSome(t); });
    connect(t->reply, &QNetworkReply::finished, t, [this, t] {
        if (t->over) return;
        readSome(t);
        if (t->over) return;
        const int status = t->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        finish(t, t->reply->error() == QNetworkReply::NoError && status == 200);
    });

    // The whole transfer, not just a pause between two packets: a server
    // that trickles a byte now and then is cut off too.
    t->timer.setSingleShot(true);
    connect(&t->timer, &QTimer::timeout, t, [this, t] { finish(t, false); });
    t->timer.start(timeLimitMs_);
}

void LinuxDownloads::readSome(Transfer* t) {
    if (t->over) return;
    // Never keep more than one byte past the limit: that byte alone proves
    // the body too large.
    while (t->reply->bytesAvailable() > 0) {
        const QByteArray chunk = t->reply->read(sizeLimit_ + 1 - t->body.size());
        if (chunk.isEmpty()) break;
        t->body.append(chunk);
        if (t->body.size() > sizeLimit_) {
            finish(t, false);
            return;
        }
    }
}

void LinuxDownloads::finish(Transfer* t, bool ok) {
    if (t->over) return;
    t->over = true;
    t->timer.stop();
    t->reply->disconnect(t);
    if (t->reply->isRunning()) t->reply->abort();
    // The target is checked again: it may have changed while we waited.
    if (ok) ok = replaceableTarget(t->target) && replaceFile(t->target, t->body);
    report(std::move(t->done), ok);
    t->deleteLater();
}

}  // namespace ostra

// Fetching a file over HTTP with Qt Network, in the background, within a
// total time limit and a size limit.
#pragma once

#include "platform/downloads.h"

#include <QObject>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace ostra {

class LinuxDownloads : public QObject, public Downloads {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeLimitMs = 10'000;
    static constexpr qint64 kDefaultSizeLimit = 64 * 1024;

    // `timeLimitMs` bounds the whole transfer, from the request to the last
    // byte, however slowly the server trickles; `sizeLimit` bounds the body.
    explicit LinuxDownloads(int timeLimitMs = kDefaultTimeLimitMs, qint64 sizeLimit = kDefaultSizeLimit,
                            QObject* parent = nullptr);
    ~LinuxDownloads() override;

    // Plain http (and https) addresses only; redirects are followed while
    // they keep the scheme. `done` runs exactly once, always from the event
    // loop and never inside fetch(); a fetch still running when this object
    // is destroyed is abandoned: its target stays as it was and its `done`
    // is not called.
    void fetch(const QString& url, const QString& target, std::function<void(bool)> done) override;

private:
    struct Transfer;
    QNetworkAccessManager* network();
    void readSome(Transfer* t);
    void finish(Transfer* t, bool ok);
    void report(std::function<void(bool)> done, bool ok);

    const int timeLimitMs_;
    const qint64 sizeLimit_;
    // Parent of the transfers in flight (and of those about to be deleted).
    QObject* transfers_;
    // Created on the first fetch: a program that never downloads never
    // starts the network machinery.
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace ostra

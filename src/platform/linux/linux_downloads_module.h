// The download role as the program sees it: the network code lives in a
// module beside the executable (libostra_downloads.so), loaded at the first
// fetch, so a program that never downloads never maps Qt Network and the
// libraries it pulls in.
#pragma once

#include "platform/downloads.h"
#include "platform/linux/linux_downloads.h"

#include <QObject>
#include <QString>

#include <memory>

namespace ostra {

// The module's entry point, and the number both sides must agree on.
constexpr int kDownloadsModuleAbi = 1;
extern "C" {
using DownloadsModuleAbi = int();
using DownloadsModuleCreate = Downloads*(int timeLimitMs, qint64 sizeLimit);
}
#define OSTRA_DOWNLOADS_ABI_SYMBOL "ostra_downloads_abi"
#define OSTRA_DOWNLOADS_CREATE_SYMBOL "ostra_downloads_create"

class LinuxDownloadsModule : public QObject, public Downloads {
    Q_OBJECT
public:
    // The fetcher's own limits (its header only: no network code here).
    static constexpr int kDefaultTimeLimitMs = LinuxDownloads::kDefaultTimeLimitMs;
    static constexpr qint64 kDefaultSizeLimit = LinuxDownloads::kDefaultSizeLimit;
    static constexpr const char* kFileName = "libostra_downloads.so";

    // `modulePath` is the module's full path; empty: kFileName in the
    // executable's folder. The limits are handed to the module's fetcher.
    explicit LinuxDownloadsModule(QString modulePath = QString(), int timeLimitMs = kDefaultTimeLimitMs,
                                  qint64 sizeLimit = kDefaultSizeLimit, QObject* parent = nullptr);
    ~LinuxDownloadsModule() override;

    // As Downloads::fetch. Without a usable module (missing, unreadable,
    // from another build) the fetch fails: `done(false)`, from the event
    // loop; the next fetch tries to load it again.
    void fetch(const QString& url, const QString& target, std::function<void(bool)> done) override;

    // Whether the module is loaded (after a fetch found it).
    bool loaded() const { return impl_ != nullptr; }
    QString modulePath() const { return path_; }

private:
    Downloads* load();

    const QString path_;
    const int timeLimitMs_;
    const qint64 sizeLimit_;
    std::unique_ptr<Downloads> impl_;
};

}  // namespace ostra

#include "platform/linux/linux_downloads_module.h"

#include "platform/linux/beside_executable.h"

#include <QFile>

#include <dlfcn.h>

namespace ostra {

LinuxDownloadsModule::LinuxDownloadsModule(QString modulePath, int timeLimitMs, qint64 sizeLimit, QObject* parent)
    : QObject(parent),
      path_(modulePath.isEmpty() ? besideExecutable(kFileName) : std::move(modulePath)),
      timeLimitMs_(timeLimitMs),
      sizeLimit_(sizeLimit) {}

LinuxDownloadsModule::~LinuxDownloadsModule() {
    // The fetcher (and any transfer in flight) ends here; its code stays
    // mapped for the rest of the process.
    impl_.reset();
}

Downloads* LinuxDownloadsModule::load() {
    if (impl_) return impl_.get();
    // A path with a slash: the loader opens that file and searches nowhere
    // else. Never unloaded: Qt Network keeps statics and threads of its own.
    void* handle = ::dlopen(QFile::encodeName(path_).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        qWarning("ostra: cannot load the download module: %s", ::dlerror());
        return nullptr;
    }
    auto abi = reinterpret_cast<DownloadsModuleAbi*>(::dlsym(handle, OSTRA_DOWNLOADS_ABI_SYMBOL));
    auto create = reinterpret_cast<DownloadsModuleCreate*>(::dlsym(handle, OSTRA_DOWNLOADS_CREATE_SYMBOL));
    if (!abi || !create || abi() != kDownloadsModuleAbi) {
        qWarning("ostra: %s is no download module of this build", qPrintable(path_));
        ::dlclose(handle);
        return nullptr;
    }
    impl_.reset(create(timeLimitMs_, sizeLimit_));
    return impl_.get();
}

void LinuxDownloadsModule::fetch(const QString& url, const QString& target, std::function<void(bool)> done) {
    if (Downloads* d = load()) {
        d->fetch(url, target, std::move(done));
        return;
    }
    if (!done) return;
    // As the module would: never inside fetch().
    QMetaObject::invokeMethod(
        this, [done = std::move(done)] { done(false); }, Qt::QueuedConnection);
}

}  // namespace ostra

// The entry points of libostra_downloads.so, the network half of the
// download role (see linux_downloads_module.h).
#include "platform/linux/linux_downloads.h"
#include "platform/linux/linux_downloads_module.h"

extern "C" __attribute__((visibility("default"))) int ostra_downloads_abi() { return ostra::kDownloadsModuleAbi; }

extern "C" __attribute__((visibility("default"))) ostra::Downloads* ostra_downloads_create(int timeLimitMs,
                                                                                           qint64 sizeLimit) {
    return new ostra::LinuxDownloads(timeLimitMs, sizeLimit);
}

// Fetching a file over HTTP.
#pragma once

#include <QString>

#include <functional>

namespace ostra {

class Downloads {
public:
    virtual ~Downloads() = default;
    // Fetches `url` in the background; only a complete 200 answer within
    // the time and size limits replaces `target` (atomically). `done` runs
    // later on the user-interface thread with whether it did.
    virtual void fetch(const QString& url, const QString& target, std::function<void(bool)> done) = 0;
};

}  // namespace ostra

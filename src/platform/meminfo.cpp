#include "platform/meminfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ostra::meminfo {

namespace {

// Parses "Name:   12345 kB" lines; only the names we need.
struct Fields {
    long long total = -1, available = -1, free = -1, buffers = -1, cached = -1;
};

bool startsWith(const char* p, const char* end, const char* word, std::size_t n) {
    return static_cast<std::size_t>(end - p) >= n && std::memcmp(p, word, n) == 0;
}

Fields parse(const char* text, std::size_t len) {
    Fields f;
    const char* p = text;
    const char* end = text + len;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!eol) eol = end;
        long long* target = nullptr;
        std::size_t skip = 0;
        if (startsWith(p, eol, "MemTotal:", 9)) {
            target = &f.total;
            skip = 9;
        } else if (startsWith(p, eol, "MemAvailable:", 13)) {
            target = &f.available;
            skip = 13;
        } else if (startsWith(p, eol, "MemFree:", 8)) {
            target = &f.free;
            skip = 8;
        } else if (startsWith(p, eol, "Buffers:", 8)) {
            target = &f.buffers;
            skip = 8;
        } else if (startsWith(p, eol, "Cached:", 7)) {
            target = &f.cached;
            skip = 7;
        }
        if (target) {
            const char* q = p + skip;
            while (q < eol && (*q == ' ' || *q == '\t')) ++q;
            long long v = 0;
            bool any = false;
            while (q < eol && *q >= '0' && *q <= '9' && v < (1LL << 50)) {
                v = v * 10 + (*q - '0');
                ++q;
                any = true;
            }
            if (any) *target = v;
            // The two fields that decide the load are near the top: stop
            // once both are in, the fallback fields are then not needed.
            if (f.total >= 0 && f.available >= 0) break;
        }
        if (eol == end) break;
        p = eol + 1;
    }
    return f;
}

}  // namespace

int loadFromText(const char* text, std::size_t len) {
    Fields f = parse(text, len);
    if (f.total <= 0) return -1;
    long long avail = f.available;
    if (avail < 0) {
        if (f.free < 0) return -1;
        avail = f.free + (f.buffers > 0 ? f.buffers : 0) + (f.cached > 0 ? f.cached : 0);
    }
    long long used = f.total - avail;
    if (used <= 0) return 0;
    if (used >= f.total) return 100;
    // Round half up in integer arithmetic.
    long long pct = (200 * used + f.total) / (2 * f.total);
    return pct > 100 ? 100 : static_cast<int>(pct);
}

Reader::Reader(const char* path) : path_(path) { fd_ = ::open(path_, O_RDONLY | O_CLOEXEC); }

Reader::~Reader() {
    if (fd_ >= 0) ::close(fd_);
}

long long totalBytesFromText(const char* text, std::size_t len) {
    const Fields f = parse(text, len);
    if (f.total <= 0) return -1;
    return f.total * 1024;  // the file counts in kB
}

long long Reader::fill(char* buf, std::size_t size) {
    if (fd_ < 0) {
        fd_ = ::open(path_, O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return -1;
    }
    ssize_t n;
    do {
        n = ::pread(fd_, buf, size, 0);
    } while (n < 0 && errno == EINTR);
    return n <= 0 ? -1 : n;
}

int Reader::read() {
    char buf[4096];
    const long long n = fill(buf, sizeof buf);
    if (n < 0) return -1;
    return loadFromText(buf, static_cast<std::size_t>(n));
}

long long Reader::totalBytes() {
    char buf[4096];
    const long long n = fill(buf, sizeof buf);
    if (n < 0) return 0;
    const long long total = totalBytesFromText(buf, static_cast<std::size_t>(n));
    return total < 0 ? 0 : total;
}

}  // namespace ostra::meminfo

// Memory load from the text of /proc/meminfo.
#pragma once

#include <cstddef>

namespace ostra::meminfo {

// 100 * (MemTotal - MemAvailable) / MemTotal, rounded to the nearest integer
// and clamped to 0..100. Where MemAvailable is missing, MemFree + Buffers +
// Cached stands for it. Returns -1 when the text holds no usable MemTotal.
int loadFromText(const char* text, std::size_t len);
// MemTotal in bytes, or -1 when the text holds no usable MemTotal.
long long totalBytesFromText(const char* text, std::size_t len);

// Reads /proc/meminfo (or `path`) through a descriptor kept open for the
// life of the reader, with pread at offset 0 at every call.
class Reader {
public:
    explicit Reader(const char* path = "/proc/meminfo");
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    // The load now, or -1 when the file cannot be read.
    int read();
    // MemTotal in bytes, or 0 when the file cannot be read.
    long long totalBytes();

private:
    // The start of the file into buf; its length, or -1.
    long long fill(char* buf, std::size_t size);

    int fd_ = -1;
    const char* path_;
};

}  // namespace ostra::meminfo

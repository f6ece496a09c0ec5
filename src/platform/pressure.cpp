#include "platform/pressure.h"

#include <cstring>

namespace ostra::pressure {

int someAvg10(const char* text, std::size_t size) {
    static constexpr char kKey[] = "some avg10=";
    constexpr std::size_t n = sizeof kKey - 1;
    const char* p = text;
    const char* end = text + size;
    // The "some" line is the first, but any line may be it.
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!eol) eol = end;
        if (static_cast<std::size_t>(eol - p) > n && std::memcmp(p, kKey, n) == 0) {
            const char* q = p + n;
            long whole = 0;
            int digits = 0;
            while (q < eol && *q >= '0' && *q <= '9' && digits < 4) whole = whole * 10 + (*q++ - '0'), ++digits;
            if (digits == 0) return -1;
            int frac = 0;
            if (q < eol && *q == '.') {
                ++q;
                for (int i = 0; i < 2; ++i) {
                    frac *= 10;
                    if (q < eol && *q >= '0' && *q <= '9') frac += *q++ - '0';
                }
            }
            const long v = whole * 100 + frac;
            return v > 10000 ? 10000 : static_cast<int>(v);
        }
        p = eol + 1;
    }
    return -1;
}

int Reader::read() {
    char buf[256];
    const long got = file_.read(buf, sizeof buf);
    if (got <= 0) return -1;
    return someAvg10(buf, static_cast<std::size_t>(got));
}

}  // namespace ostra::pressure

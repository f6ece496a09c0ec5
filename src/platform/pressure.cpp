#include "platform/pressure.h"

namespace ostra::pressure {

int someAvg10(const char* text, std::size_t size) {
    // The "some" line is the first, but any line may be it.
    const std::optional<std::string_view> value = lineAfter({text, size}, "some avg10=");
    if (!value) return -1;
    const char* q = value->data();
    const char* eol = q + value->size();
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

int Reader::read() {
    char buf[256];
    const long got = file_.read(buf, sizeof buf);
    if (got <= 0) return -1;
    return someAvg10(buf, static_cast<std::size_t>(got));
}

}  // namespace ostra::pressure

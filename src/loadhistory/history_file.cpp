#include "loadhistory/history_file.h"

#include <cstring>

namespace ostra::loadhistory {

namespace {

constexpr char kHeader[] = "ostra load history 1\n";
constexpr struct {
    unsigned bit;
    char letter;
} kLetters[] = {{StartPointSet, 's'}, {WarningShown, 'w'}, {Acknowledged, 'a'}, {WarningOn, 'W'}, {OomKill, 'k'}};

void appendNumber(QByteArray& out, std::int64_t v) {
    char buf[24];
    int n = 0;
    const bool neg = v < 0;
    std::uint64_t u = neg ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
    do {
        buf[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (neg) out.append('-');
    while (n) out.append(buf[--n]);
}

// A decimal number without sign in [p, end); false unless digits only.
bool number(const char*& p, const char* end, std::int64_t& v, int maxDigits) {
    v = 0;
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (++digits > maxDigits) return false;
        v = v * 10 + (*p++ - '0');
    }
    return digits > 0;
}

// One sample line (without its line end).
bool sampleLine(const char* p, const char* end, Sample& s) {
    std::int64_t v = 0;
    if (!number(p, end, v, 3) || v > 100) return false;
    s.load = static_cast<int>(v);
    if (p == end || *p++ != ' ') return false;
    if (p < end && *p == '-') {
        s.pressure = -1;
        ++p;
    } else {
        if (!number(p, end, v, 5) || v > 10000) return false;
        s.pressure = static_cast<int>(v);
    }
    s.events = 0;
    if (p == end) return true;
    if (*p++ != ' ' || p == end) return false;
    for (; p < end; ++p) {
        unsigned bit = 0;
        for (const auto& l : kLetters)
            if (*p == l.letter) bit = l.bit;
        if (!bit) return false;
        s.events |= bit;
    }
    return true;
}

// One event a sample, as the recorder keeps them: of several on one line
// (a file of an earlier version), the first in the order start point,
// warning, acknowledged stays and the others go on to the next samples
// that have none.
void oneEvent(Sample& s, unsigned& carried) {
    unsigned events = (s.events & kPointEvents) | carried;
    s.events &= ~kPointEvents;
    carried = 0;
    for (const unsigned e : {StartPointSet, WarningShown, Acknowledged, OomKill}) {
        if (!(events & e)) continue;
        if (s.events & kPointEvents)
            carried |= e;
        else
            s.events |= e | (e == WarningShown ? WarningOn : 0u);
    }
}

}  // namespace

QByteArray serialize(const LoadRing& ring) {
    QByteArray out;
    out.reserve(32 + ring.span() * 8);
    out.append(kHeader);
    if (ring.empty()) return out;
    std::int64_t expected = ring.oldestTime() - 2;
    ring.forEach(ring.oldestTime(), ring.newestTime(), [&](std::int64_t t, const Sample& s) {
        if (t != expected) {
            out.append('@');
            appendNumber(out, t);
            out.append('\n');
        }
        expected = t + 1;
        appendNumber(out, s.load);
        out.append(' ');
        if (s.pressure < 0)
            out.append('-');
        else
            appendNumber(out, s.pressure);
        if (s.events) {
            out.append(' ');
            for (const auto& l : kLetters)
                if (s.events & l.bit) out.append(l.letter);
        }
        out.append('\n');
    });
    return out;
}

int parse(const QByteArray& text, std::int64_t now, LoadRing& ring) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    bool haveTime = false;
    std::int64_t t = 0;
    int kept = 0;
    unsigned carried = 0;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!eol) break;  // cut off: its figures may be cut too
        const char* lineEnd = eol > p && eol[-1] == '\r' ? eol - 1 : eol;
        if (p < lineEnd && *p == '@') {
            const char* q = p + 1;
            std::int64_t v = 0;
            if (number(q, lineEnd, v, 12) && q == lineEnd) {
                t = v;
                haveTime = true;
            } else {
                haveTime = false;  // the lines after it have no time
            }
        } else if (haveTime) {
            Sample s;
            if (sampleLine(p, lineEnd, s) && t <= now && t > now - LoadRing::kCapacity &&
                (ring.empty() || t > ring.newestTime())) {
                oneEvent(s, carried);
                ring.record(t, s);
                ++kept;
            }
            ++t;
        }
        p = eol + 1;
    }
    return kept;
}

}  // namespace ostra::loadhistory

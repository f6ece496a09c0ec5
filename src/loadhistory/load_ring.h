// The last 24 hours of the load, one sample a second, in a ring of packed
// 32-bit slots (345,600 bytes when full). A slot stands for one second: the
// newest at the head, older ones behind it, seconds without a sample left
// empty, so the time of a sample is known from its place and gaps cost one
// empty slot a second.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ostra::loadhistory {

// What happened in a second besides its figures: at most one of the first
// point events (the recorder moves a second one to the next free second), and
// whether a warning was standing.
enum Event : unsigned {
    StartPointSet = 1u,  // the start point was set afresh or moved
    WarningShown = 2u,   // a load or rise warning came up
    Acknowledged = 4u,   // that warning was acknowledged ("OK")
    WarningOn = 8u,      // a warning was standing (from its coming up to its acknowledgement or close)
    OomKill = 16u,       // the out-of-memory killer ended a program
};
inline constexpr unsigned kAllEvents = 31u;
// The events proper, of which a second holds one.
inline constexpr unsigned kPointEvents = StartPointSet | WarningShown | Acknowledged | OomKill;

struct Sample {
    int load = 0;       // 0..100
    int pressure = -1;  // "some avg10" in hundredths of a percent, -1 unknown
    unsigned events = 0;
    bool operator==(const Sample&) const = default;
};

class LoadRing {
public:
    static constexpr int kCapacity = 86400;

    bool empty() const { return filled_ == 0; }
    // The second of the newest slot (valid when not empty).
    std::int64_t newestTime() const { return headTime_; }
    // The oldest second the ring still covers.
    std::int64_t oldestTime() const { return headTime_ - filled_ + 1; }
    // Number of seconds covered, samples and gaps.
    int span() const { return filled_; }
    // Bytes held by the slots.
    std::size_t bytes() const { return slots_.capacity() * sizeof(std::uint32_t); }

    // Records the sample of second t. A later second leaves the seconds in
    // between empty; the same second again replaces the figures and adds
    // the events. An earlier second (the clock was set back) drops the
    // samples of t and later, which lie in the new time's future, and
    // follows those before t: no sample ever moves to another second.
    void record(std::int64_t t, const Sample& s);
    // Adds events to the newest sample; false when there is none.
    bool addEvents(unsigned events);
    void clear();

    // The sample of second t; nothing for a gap or a second out of reach.
    std::optional<Sample> at(std::int64_t t) const;
    // The events of the newest second's sample when that second is t; -1
    // when the ring holds no sample of t there.
    int newestEventsAt(std::int64_t t) const {
        if (empty() || t != headTime_) return -1;
        const std::uint32_t v = slots_[static_cast<std::size_t>(head_)];
        return isEmpty(v) ? -1 : static_cast<int>(eventsOf(v));
    }

    // Calls f(t, sample) for every sample of the seconds from..to, oldest
    // first.
    template <typename F>
    void forEach(std::int64_t from, std::int64_t to, F&& f) const {
        if (!within(from, to)) return;
        int i = index(from);
        const int n = static_cast<int>(slots_.size());
        for (std::int64_t t = from; t <= to; ++t) {
            const std::uint32_t v = slots_[static_cast<std::size_t>(i)];
            if (!isEmpty(v)) f(t, unpack(v));
            if (++i == n) i = 0;
        }
    }

    // The packed slots of the seconds from..to (within the ring), oldest
    // first, as at most two runs (the ring wraps): f(first second of the
    // run, its slots, their count). For readers that go through many
    // slots at a time, with the fields below.
    template <typename F>
    void forEachRun(std::int64_t from, std::int64_t to, F&& f) const {
        if (!within(from, to)) return;
        const int i = index(from);
        const std::int64_t count = to - from + 1;
        const std::int64_t tail = static_cast<std::int64_t>(slots_.size()) - i;
        const std::int64_t first = count < tail ? count : tail;
        f(from, slots_.data() + i, static_cast<int>(first));
        if (first < count) f(from + first, slots_.data(), static_cast<int>(count - first));
    }

    // The fields of a packed slot that is not empty.
    static int loadOf(std::uint32_t v) { return static_cast<int>(v & 0x7Fu); }
    static int pressureOf(std::uint32_t v) {  // -1 unknown
        const std::uint32_t p = (v >> 7) & 0x3FFFu;
        return p == 16383u ? -1 : static_cast<int>(p);
    }
    static unsigned eventsOf(std::uint32_t v) { return (v >> 21) & kAllEvents; }

    static std::uint32_t pack(const Sample& s);
    static Sample unpack(std::uint32_t v);
    static bool isEmpty(std::uint32_t v) { return (v & 0x7Fu) == 0x7Fu; }
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

private:
    // Brings from..to within the seconds the ring covers; false when none
    // of them is.
    bool within(std::int64_t& from, std::int64_t& to) const {
        if (empty()) return false;
        if (from < oldestTime()) from = oldestTime();
        if (to > headTime_) to = headTime_;
        return from <= to;
    }
    void push(std::uint32_t v);
    // Forgets the seconds from t on (t within the ring, after its oldest).
    void dropFrom(std::int64_t t);
    int index(std::int64_t t) const {
        int i = head_ - static_cast<int>(headTime_ - t);
        return i < 0 ? i + kCapacity : i;
    }

    std::vector<std::uint32_t> slots_;  // grows to kCapacity, then wraps
    int head_ = -1;
    int filled_ = 0;
    std::int64_t headTime_ = 0;
};

}  // namespace ostra::loadhistory

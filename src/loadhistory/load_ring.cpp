#include "loadhistory/load_ring.h"

namespace ostra::loadhistory {

// Bits 0-6 the load (127: empty slot), 7-20 the pressure in hundredths
// (16383: unknown), 21-25 the events.
std::uint32_t LoadRing::pack(const Sample& s) {
    const std::uint32_t load = s.load < 0 ? 0u : (s.load > 100 ? 100u : static_cast<std::uint32_t>(s.load));
    const std::uint32_t pressure =
        s.pressure < 0 ? 16383u : (s.pressure > 10000 ? 10000u : static_cast<std::uint32_t>(s.pressure));
    return load | (pressure << 7) | ((s.events & kAllEvents) << 21);
}

Sample LoadRing::unpack(std::uint32_t v) { return Sample{loadOf(v), pressureOf(v), eventsOf(v)}; }

void LoadRing::push(std::uint32_t v) {
    if (slots_.size() < static_cast<std::size_t>(kCapacity)) {
        // Grown by hand so that the slots never hold more than a day.
        if (slots_.size() == slots_.capacity()) {
            const std::size_t want = slots_.capacity() < 2048 ? 4096 : slots_.capacity() * 2;
            slots_.reserve(want < static_cast<std::size_t>(kCapacity) ? want
                                                                      : static_cast<std::size_t>(kCapacity));
        }
        slots_.push_back(v);
        head_ = static_cast<int>(slots_.size()) - 1;
    } else {
        head_ = head_ + 1 == kCapacity ? 0 : head_ + 1;
        slots_[static_cast<std::size_t>(head_)] = v;
    }
    if (filled_ < kCapacity) ++filled_;
}

void LoadRing::record(std::int64_t t, const Sample& s) {
    const std::uint32_t v = pack(s);
    if (empty()) {
        push(v);
        headTime_ = t;
        return;
    }
    if (t == headTime_) {
        std::uint32_t& slot = slots_[static_cast<std::size_t>(head_)];
        const unsigned before = isEmpty(slot) ? 0u : unpack(slot).events;
        Sample merged = s;
        merged.events |= before;
        slot = pack(merged);
        return;
    }
    if ((t > headTime_ && t - headTime_ > kCapacity) || t <= oldestTime()) {
        // A day or more without samples, or a clock set back to or before
        // the oldest sample: nothing is left to keep.
        clear();
        push(v);
        headTime_ = t;
        return;
    }
    if (t < headTime_) dropFrom(t);
    // Seconds in between stay empty.
    const std::int64_t gaps = t - headTime_ - 1;
    for (std::int64_t i = 0; i < gaps; ++i) push(kEmpty);
    push(v);
    headTime_ = t;
}

void LoadRing::dropFrom(std::int64_t t) {
    const int dropped = static_cast<int>(headTime_ - t + 1);
    filled_ -= dropped;
    headTime_ = t - 1;
    if (slots_.size() < static_cast<std::size_t>(kCapacity)) {
        // Still growing: the slots end at the head.
        slots_.resize(slots_.size() - static_cast<std::size_t>(dropped));
        head_ = static_cast<int>(slots_.size()) - 1;
    } else {
        // Wrapped: the head steps back; the slots after it are written
        // again as the ring fills.
        head_ -= dropped;
        if (head_ < 0) head_ += kCapacity;
    }
}

bool LoadRing::addEvents(unsigned events) {
    if (empty()) return false;
    std::uint32_t& slot = slots_[static_cast<std::size_t>(head_)];
    if (isEmpty(slot)) return false;
    Sample s = unpack(slot);
    s.events |= events;
    slot = pack(s);
    return true;
}

void LoadRing::clear() {
    std::vector<std::uint32_t>().swap(slots_);
    head_ = -1;
    filled_ = 0;
    headTime_ = 0;
}

std::optional<Sample> LoadRing::at(std::int64_t t) const {
    if (empty() || t > headTime_ || t < oldestTime()) return std::nullopt;
    const std::uint32_t v = slots_[static_cast<std::size_t>(index(t))];
    if (isEmpty(v)) return std::nullopt;
    return unpack(v);
}

}  // namespace ostra::loadhistory

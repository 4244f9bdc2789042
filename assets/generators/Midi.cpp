#include "Midi.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace midi {
namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(v & 0x7f);
        v >>= 7;
    } while (v != 0);
    while (n-- > 0) out.push_back(static_cast<std::uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}

std::uint8_t data7(int v) {
    if (v < 0 || v > 127) throw std::out_of_range("MIDI data byte out of range");
    return static_cast<std::uint8_t>(v);
}

std::uint8_t status(int kind, int channel) {
    if (channel < 0 || channel > 15) throw std::out_of_range("MIDI channel out of range");
    return static_cast<std::uint8_t>(kind | channel);
}

}  // namespace

Track::Track(std::string name) {
    std::vector<std::uint8_t> meta{0xff, 0x03};
    putVarLen(meta, static_cast<std::uint32_t>(name.size()));
    meta.insert(meta.end(), name.begin(), name.end());
    add(0, 0, std::move(meta));
}

void Track::add(std::uint32_t tick, int order, std::vector<std::uint8_t> bytes) {
    events_.push_back(Event{tick, order, std::move(bytes)});
    end_ = std::max(end_, tick);
}

void Track::tempo(std::uint32_t tick, double beatsPerMinute) {
    const auto micros = static_cast<std::uint32_t>(std::lround(60'000'000.0 / beatsPerMinute));
    add(tick, 0,
        {0xff, 0x51, 0x03, static_cast<std::uint8_t>(micros >> 16),
         static_cast<std::uint8_t>(micros >> 8), static_cast<std::uint8_t>(micros)});
}

void Track::timeSignature(std::uint32_t tick, int numerator, int denominatorPower) {
    add(tick, 0, {0xff, 0x58, 0x04, data7(numerator), data7(denominatorPower), 24, 8});
}

void Track::program(std::uint32_t tick, int channel, int program) {
    add(tick, 2, {status(0xc0, channel), data7(program)});
}

void Track::controller(std::uint32_t tick, int channel, int number, int value) {
    add(tick, 2, {status(0xb0, channel), data7(number), data7(value)});
}

void Track::note(std::uint32_t start, std::uint32_t length, int channel, int key, int velocity) {
    if (length == 0) throw std::invalid_argument("MIDI note without length");
    add(start, 3, {status(0x90, channel), data7(key), data7(std::clamp(velocity, 1, 127))});
    add(start + length, 1, {status(0x80, channel), data7(key), 64});
}

std::uint32_t Track::endTick() const { return end_; }

void Track::extendTo(std::uint32_t tick) { end_ = std::max(end_, tick); }

std::vector<std::uint8_t> Track::chunk() const {
    std::vector<const Event*> sorted;
    sorted.reserve(events_.size());
    for (const auto& e : events_) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](const Event* a, const Event* b) {
        return a->tick != b->tick ? a->tick < b->tick : a->order < b->order;
    });

    std::vector<std::uint8_t> body;
    std::uint32_t now = 0;
    for (const Event* e : sorted) {
        putVarLen(body, e->tick - now);
        now = e->tick;
        body.insert(body.end(), e->bytes.begin(), e->bytes.end());
    }
    putVarLen(body, end_ - now);
    body.insert(body.end(), {0xff, 0x2f, 0x00});

    std::vector<std::uint8_t> out{'M', 'T', 'r', 'k'};
    put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> file(std::uint16_t ticksPerQuarter, const std::vector<Track>& tracks) {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    const std::uint16_t format = tracks.size() == 1 ? 0 : 1;
    const auto count = static_cast<std::uint16_t>(tracks.size());
    for (std::uint16_t v : {format, count, ticksPerQuarter}) {
        out.push_back(static_cast<std::uint8_t>(v >> 8));
        out.push_back(static_cast<std::uint8_t>(v));
    }
    for (const auto& t : tracks) {
        const auto c = t.chunk();
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

}  // namespace midi

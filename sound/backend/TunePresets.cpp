#include "TunePresets.h"

#include <array>
#include <cstddef>

namespace mm {
namespace {

constexpr int percussionChannel = 9;
constexpr int percussionBank = 128;

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end)
        : b_(b), at_(at), end_(end) {}
    bool more() const { return at_ < end_; }
    bool byte(std::uint8_t& v) {
        if (at_ >= end_) return false;
        v = b_[at_++];
        return true;
    }
    bool quantity(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t c = 0;
            if (!byte(c)) return false;
            v = (v << 7) | (c & 0x7Fu);
            if ((c & 0x80u) == 0) return true;
        }
        return false;
    }
    bool skip(std::uint32_t n) {
        if (n > end_ - at_) return false;
        at_ += n;
        return true;
    }

private:
    const std::vector<std::uint8_t>& b_;
    std::size_t at_;
    std::size_t end_;
};

std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

struct Channels {
    std::array<int, 16> bank{};
    std::uint16_t programmed = 0;
    std::uint16_t played = 0;
};

void scanTrack(Reader r, Channels& channels, std::set<std::pair<int, int>>& out) {
    std::array<int, 16>& bank = channels.bank;
    std::uint8_t running = 0;
    while (r.more()) {
        std::uint32_t delta = 0;
        std::uint8_t status = 0;
        if (!r.quantity(delta) || !r.byte(status)) return;
        std::uint8_t first = 0;
        if (status == 0xFF) {
            std::uint32_t length = 0;
            if (!r.byte(first) || !r.quantity(length) || !r.skip(length)) return;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!r.quantity(length) || !r.skip(length)) return;
            continue;
        }
        if (status < 0x80) {
            if (running == 0) return;
            first = status;
            status = running;
        } else {
            running = status;
            if (!r.byte(first)) return;
        }
        const int kind = status & 0xF0;
        const int channel = status & 0x0F;
        if (kind == 0xC0) {
            const int b = channel == percussionChannel ? percussionBank : bank[channel];
            out.emplace(b, first & 0x7F);
            channels.programmed |= static_cast<std::uint16_t>(1u << channel);
        } else if (kind != 0xD0) {
            std::uint8_t second = 0;
            if (!r.byte(second)) return;
            if (kind == 0x90 && second != 0)
                channels.played |= static_cast<std::uint16_t>(1u << channel);
            if (kind == 0xB0 && first == 0) bank[channel] = second & 0x7F;
        }
    }
}

}  // namespace

std::set<std::pair<int, int>> tunePresets(const std::vector<std::uint8_t>& smf,
                                          std::uint16_t* defaultChannels) {
    std::set<std::pair<int, int>> out;
    Channels channels;
    std::size_t at = 0;
    while (at + 8 <= smf.size()) {
        const std::size_t length = be32(smf, at + 4);
        const std::size_t body = at + 8;
        const std::size_t end = length > smf.size() - body ? smf.size() : body + length;
        if (smf[at] == 'M' && smf[at + 1] == 'T' && smf[at + 2] == 'r' && smf[at + 3] == 'k')
            scanTrack(Reader(smf, body, end), channels, out);
        at = end;
    }
    const auto unprogrammed = static_cast<std::uint16_t>(channels.played & ~channels.programmed);
    for (int channel = 0; channel < 16; ++channel)
        if ((unprogrammed >> channel) & 1u)
            out.emplace(channel == percussionChannel ? percussionBank : 0, 0);
    if (defaultChannels != nullptr) *defaultChannels = unprogrammed;
    return out;
}

}  // namespace mm

#include "RankRecord.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsItem(char c) { return c == ',' || c == '\r' || c == '\n'; }

RankParse number(std::string_view item) {
    // A leading plus is accepted as a number's sign; from_chars itself takes
    // only the minus, so "+-5" must still be refused.
    std::string_view digits = item;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() == '-')
            return {RankParse::Kind::notANumber, std::nullopt, std::string(item)};
    }
    std::int32_t value = 0;
    const char* last = digits.data() + digits.size();
    const auto [rest, error] = std::from_chars(digits.data(), last, value);
    if (error != std::errc{} || rest != last)
        return {RankParse::Kind::notANumber, std::nullopt, std::string(item)};
    return {RankParse::Kind::value, value, std::string(item)};
}

}  // namespace

bool RankScanner::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (stage_ == Stage::done) break;
        if (stage_ != Stage::byteOrderMark) {
            step(c);
            continue;
        }
        // Editors on some systems put a UTF-8 byte-order mark before the text.
        pending_ += c;
        if (!byteOrderMark.starts_with(pending_)) {
            stage_ = Stage::blanks;
            for (const char kept : std::exchange(pending_, {})) step(kept);
        } else if (pending_.size() == byteOrderMark.size()) {
            pending_.clear();
            stage_ = Stage::blanks;
        }
    }
    return stage_ != Stage::done;
}

void RankScanner::step(char c) {
    if (stage_ == Stage::done) return;
    anyByte_ = true;
    if (stage_ == Stage::blanks) {
        if (isBlank(c)) return;
        stage_ = Stage::item;
    }
    if (endsItem(c)) {
        stage_ = Stage::done;
        return;
    }
    // Blanks after the item are not part of it, however many there are;
    // they are kept only until something other than a blank follows.
    if (isBlank(c)) {
        if (trailingBlanks_.size() <= longestItem) trailingBlanks_ += c;
        return;
    }
    item_ += std::exchange(trailingBlanks_, {});
    item_ += c;
    if (item_.size() > longestItem) {
        item_.resize(longestItem + 1);
        stage_ = Stage::done;
    }
}

RankParse RankScanner::finish() {
    // The start of a byte-order mark that the file ended in is text.
    if (stage_ == Stage::byteOrderMark) {
        stage_ = Stage::blanks;
        for (const char kept : std::exchange(pending_, {})) step(kept);
    }
    if (!anyByte_) return {RankParse::Kind::noItem, std::nullopt, {}};
    if (item_.size() > longestItem) return {RankParse::Kind::notANumber, std::nullopt, item_};
    if (item_.empty()) return {RankParse::Kind::nothing, std::nullopt, {}};
    return number(item_);
}

RankParse parseRankText(std::string_view text) {
    RankScanner scanner;
    scanner.feed(text);
    return scanner.finish();
}

std::string formatRankText(const HighScore& value) { return highScoreText(value) + "\r\n"; }

std::string highScoreText(const HighScore& value) {
    return value ? std::to_string(*value) : std::string();
}

namespace {

// The length of the valid UTF-8 sequence at the start of s and its code
// point, or 0 when it is no valid sequence (overlong forms, surrogates and
// code points past U+10FFFF are not).
std::size_t decodeUtf8(std::string_view s, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, min = 0x80, codePoint = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, min = 0x800, codePoint = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, min = 0x10000, codePoint = lead & 0x07;
    else
        return 0;
    if (s.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

// Characters that act on a terminal or a text layout instead of showing:
// C0 and C1 controls, DEL, line and paragraph separators, and the bidi marks
// that reorder the text around them.
bool acts(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void appendEscaped(std::string& out, std::string_view bytes) {
    for (const char b : bytes) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(b));
        out += hex;
    }
}

}  // namespace

std::string printableText(std::string_view bytes, std::size_t maxChars) {
    std::string out;
    std::size_t shown = 0;  // characters as they appear, four for each escaped byte
    while (!bytes.empty()) {
        char32_t c = 0;
        std::size_t length = decodeUtf8(bytes, c);
        const bool escaped = length == 0 || acts(c);
        if (length == 0) length = 1;
        const std::size_t width = escaped ? 4 * length : 1;
        if (maxChars != 0 && shown + width > maxChars) {
            out += "…";
            break;
        }
        if (escaped)
            appendEscaped(out, bytes.substr(0, length));
        else
            out += bytes.substr(0, length);
        bytes.remove_prefix(length);
        shown += width;
    }
    return out;
}

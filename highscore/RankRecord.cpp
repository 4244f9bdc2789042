#include "RankRecord.h"

#include <charconv>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimTrailingBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

RankParse parseRankText(std::string_view text) {
    // Editors on some systems put a UTF-8 byte-order mark before the text.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
    if (text.empty()) return {RankParse::Kind::noItem, std::nullopt, {}};

    std::size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin])) ++begin;
    std::size_t end = begin;
    while (end < text.size() && text[end] != ',' && text[end] != '\r' && text[end] != '\n') ++end;

    const std::string_view item = trimTrailingBlanks(text.substr(begin, end - begin));
    if (item.empty()) return {RankParse::Kind::nothing, std::nullopt, {}};

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

std::string formatRankText(const HighScore& value) { return highScoreText(value) + "\r\n"; }

std::string highScoreText(const HighScore& value) {
    return value ? std::to_string(*value) : std::string();
}

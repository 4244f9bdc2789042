#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The best score as rank.dat holds it: a number, or nothing when the file's
// first item is empty. Nothing shows as an empty caption and compares as 0.
using HighScore = std::optional<std::int32_t>;

inline std::int32_t comparable(const HighScore& value) { return value.value_or(0); }

// What reading the text of rank.dat found.
struct RankParse {
    enum class Kind {
        value,       // the first item is a decimal number
        nothing,     // the first item is empty (a blank first line)
        noItem,      // the file is empty: not even an empty item
        notANumber,  // the first item is text that is no decimal number in range
    };
    Kind kind;
    HighScore highScore;   // set for value; empty otherwise
    std::string firstItem; // the item as found, leading blanks skipped
};

// The first item of the file is the text up to the first comma, line end or
// end of file, leading blanks (and a UTF-8 byte-order mark) skipped.
// Everything after it is ignored.
RankParse parseRankText(std::string_view text);

// The file's content as saved: the value in decimal, then CR LF; nothing
// saves as CR LF alone.
std::string formatRankText(const HighScore& value);

// The decimal text of a best score as shown on a label.
std::string highScoreText(const HighScore& value);

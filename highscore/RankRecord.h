#pragma once

#include <cstddef>
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
    HighScore highScore;    // set for value; empty otherwise
    std::string firstItem;  // the item as found, leading blanks skipped; at
                            // most longestItem + 1 bytes of it
};

// A first item longer than this (blanks around it not counted) is no number
// the game could have saved; it is refused without being read to its end, so
// a file of junk costs nothing.
inline constexpr std::size_t longestItem = 32;

// Finds the first item of rank.dat in its bytes as they arrive, so that the
// reader takes exactly as much of the file as the item needs: any number of
// blanks before and after the item are skipped without being kept, and
// reading stops at the item's end.
class RankScanner {
public:
    // Takes the next bytes of the file. False once the first item is
    // complete: the rest of the file does not matter.
    bool feed(std::string_view bytes);
    // The verdict, at the end of the file or once feed() returned false.
    RankParse finish();

private:
    enum class Stage { byteOrderMark, blanks, item, done };
    void step(char c);

    Stage stage_ = Stage::byteOrderMark;
    std::string pending_;  // the bytes of a possible byte-order mark
    bool anyByte_ = false;
    std::string item_;
    std::string trailingBlanks_;
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

// Bytes from a file or a path made safe to show in a terminal or a message
// box: valid UTF-8 with no control characters (they are written as \xNN, so
// a planted file cannot retitle or clear the terminal), cut with "…" where
// it would show more than maxChars characters, an escape counting as the four
// it shows. maxChars 0 means no cut.
std::string printableText(std::string_view bytes, std::size_t maxChars = 0);

// libFuzzer target for the rank.dat format. rank.dat is a file the player can
// edit, so the reader must take any bytes: it never crashes or hangs, its
// verdict is consistent with what it found and does not depend on how the
// file is cut into pieces, whatever it accepts as a value or as nothing comes
// back unchanged from the writer's text, and what an error quotes of it is
// safe to print.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "RankRecord.h"

namespace {

using Kind = RankParse::Kind;

[[noreturn]] void fail(const char* what, std::string_view input) {
    std::fprintf(stderr, "rank fuzzer: %s (input of %zu bytes)\n", what, input.size());
    std::abort();
}

#define REQUIRE(cond)                   \
    do {                                \
        if (!(cond)) fail(#cond, text); \
    } while (0)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RankParse parsed = parseRankText(text);

    // The reader gets the file in pieces: any size of piece finds the same.
    {
        const std::size_t piece = size == 0 ? 1 : data[0] % 7 + 1;
        RankScanner scanner;
        for (std::size_t at = 0; at < size && scanner.feed(text.substr(at, piece)); at += piece) {
        }
        const RankParse pieced = scanner.finish();
        REQUIRE(pieced.kind == parsed.kind && pieced.highScore == parsed.highScore &&
                pieced.firstItem == parsed.firstItem);
    }
    REQUIRE(parsed.firstItem.size() <= longestItem + 1);

    // Quoted in an error, it is safe to print: escaping it again changes
    // nothing (valid UTF-8, no control character), and the cut bounds it.
    for (const std::size_t limit : {std::size_t{0}, std::size_t{40}}) {
        const std::string shown = printableText(text, limit);
        REQUIRE(printableText(shown) == shown);
        for (const char c : shown) REQUIRE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        if (limit != 0) REQUIRE(shown.size() <= 4 * limit + 3);
    }

    // A file without a single byte has no item at all; nothing else may be
    // taken for that, save a lone byte-order mark (an editor's empty file).
    if (text.empty()) REQUIRE(parsed.kind == Kind::noItem);
    if (parsed.kind == Kind::noItem) REQUIRE(text.empty() || text == "\xEF\xBB\xBF");
    REQUIRE(parsed.highScore.has_value() == (parsed.kind == Kind::value));

    // The item lies in the first line and first field of the input.
    if (!parsed.firstItem.empty()) {
        const std::size_t at = text.find(parsed.firstItem);
        REQUIRE(at != std::string_view::npos);
        const std::string_view before = text.substr(0, at);
        REQUIRE(before.find_first_of(",\r\n") == std::string_view::npos);
        REQUIRE(parsed.firstItem.find_first_of(",\r\n") == std::string::npos);
    }

    switch (parsed.kind) {
        case Kind::value: {
            // The item alone says the same: nothing after it was read.
            const RankParse alone = parseRankText(parsed.firstItem);
            REQUIRE(alone.kind == Kind::value && alone.highScore == parsed.highScore);
            break;
        }
        case Kind::notANumber: REQUIRE(!parsed.firstItem.empty()); break;
        case Kind::nothing: REQUIRE(parsed.firstItem.empty()); break;
        case Kind::noItem: return 0;
    }
    if (parsed.kind == Kind::notANumber) return 0;

    // What the game would save reads back as the same value, or as nothing,
    // and saving that again gives the very same bytes.
    const std::string saved = formatRankText(parsed.highScore);
    REQUIRE(saved.size() >= 2 && saved.compare(saved.size() - 2, 2, "\r\n") == 0);
    const RankParse reread = parseRankText(saved);
    REQUIRE(reread.kind == parsed.kind);
    REQUIRE(reread.highScore == parsed.highScore);
    REQUIRE(formatRankText(reread.highScore) == saved);
    return 0;
}

#include <gtest/gtest.h>

#include "RankRecord.h"

namespace {

using Kind = RankParse::Kind;

TEST(RankRecord, ReadsTheFirstItemOnly) {
    struct Case {
        const char* text;
        Kind kind;
        HighScore value;
    };
    const Case cases[] = {
        {"230\r\n", Kind::value, 230},
        {"230", Kind::value, 230},
        {"0\r\n", Kind::value, 0},
        {"230,5\r\n", Kind::value, 230},
        {"230\r\n99\r\n", Kind::value, 230},
        {"230\n", Kind::value, 230},
        {"   42  \r\n", Kind::value, 42},
        {"-7\r\n", Kind::value, -7},
        {"+8\r\n", Kind::value, 8},
        {"\xEF\xBB\xBF"
         "77\r\n",
         Kind::value, 77},
        {"\xEF\xBB\xBF", Kind::noItem, std::nullopt},
        {"2147483647", Kind::value, 2147483647},
        {"\r\n", Kind::nothing, std::nullopt},
        {"\r\n230\r\n", Kind::nothing, std::nullopt},
        {",230", Kind::nothing, std::nullopt},
        {"   ", Kind::nothing, std::nullopt},
        {"", Kind::noItem, std::nullopt},
        {"abc\r\n", Kind::notANumber, std::nullopt},
        {"12abc", Kind::notANumber, std::nullopt},
        {"12.5", Kind::notANumber, std::nullopt},
        {"2147483648", Kind::notANumber, std::nullopt},
        {"+-5", Kind::notANumber, std::nullopt},
        {"+", Kind::notANumber, std::nullopt},
        {"-", Kind::notANumber, std::nullopt},
        {"\xEF\xBB"
         "5",
         Kind::notANumber, std::nullopt},
        {"00000000000000000000000000000042", Kind::value, 42},
        {"000000000000000000000000000000042", Kind::notANumber, std::nullopt},
    };
    for (const Case& c : cases) {
        const RankParse parsed = parseRankText(c.text);
        EXPECT_EQ(parsed.kind, c.kind) << '"' << c.text << '"';
        EXPECT_EQ(parsed.highScore, c.value) << '"' << c.text << '"';
        // The file arrives in pieces of any size.
        RankScanner scanner;
        for (const char* p = c.text; *p && scanner.feed(std::string_view(p, 1)); ++p) {
        }
        const RankParse pieced = scanner.finish();
        EXPECT_EQ(pieced.kind, c.kind) << "byte by byte: \"" << c.text << '"';
        EXPECT_EQ(pieced.highScore, c.value) << "byte by byte: \"" << c.text << '"';
    }
    // Blanks around the item may fill any number of pieces.
    EXPECT_EQ(parseRankText(std::string(100000, ' ') + "98765\r\n").highScore, 98765);
    EXPECT_EQ(parseRankText("230" + std::string(100000, '\t') + "\r\n").highScore, 230);
    EXPECT_EQ(parseRankText("1" + std::string(40, ' ') + "2").kind, Kind::notANumber);
}

TEST(RankRecord, PrintableTextEscapesWhatActsOnATerminalAndCuts) {
    EXPECT_EQ(printableText("a\xFF\xC3(\xC2\x9B\xE2\x80\xAE"),
              "a\\xFF\\xC3(\\xC2\\x9B\\xE2\\x80\\xAE");
    EXPECT_EQ(printableText("斬雷 230"), "斬雷 230");
    EXPECT_EQ(printableText(std::string(20, '\x01'), 40),
              "\\x01\\x01\\x01\\x01\\x01\\x01\\x01\\x01\\x01\\x01…");
}

TEST(RankRecord, SavesOneDecimalLineEndedByCrLf) {
    EXPECT_EQ(formatRankText(230), "230\r\n");
    EXPECT_EQ(formatRankText(0), "0\r\n");
    EXPECT_EQ(formatRankText(std::nullopt), "\r\n");
    EXPECT_EQ(highScoreText(std::nullopt), "");
    EXPECT_EQ(comparable(std::nullopt), 0);
}

TEST(RankRecord, WhatIsSavedReadsBackTheSame) {
    for (const HighScore value : {HighScore{}, HighScore{0}, HighScore{151}, HighScore{-3},
                                  HighScore{2147483647}, HighScore{-2147483647 - 1}}) {
        const RankParse parsed = parseRankText(formatRankText(value));
        EXPECT_EQ(parsed.highScore, value);
        EXPECT_NE(parsed.kind, Kind::noItem);
    }
}

}  // namespace

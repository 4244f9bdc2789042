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
        {"\xEF\xBB\xBF" "77\r\n", Kind::value, 77},
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
    };
    for (const Case& c : cases) {
        const RankParse parsed = parseRankText(c.text);
        EXPECT_EQ(parsed.kind, c.kind) << '"' << c.text << '"';
        EXPECT_EQ(parsed.highScore, c.value) << '"' << c.text << '"';
    }
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

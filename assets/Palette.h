#pragma once

#include <array>
#include <cstdint>

// The one palette of every picture of the game: the scene, the cast, the
// spares, the cut mark, the icon and the cursor, and the colours the
// window draws with itself. One set keeps the cast and the courtyard
// reading as one picture; a colour that is needed goes here first, and
// the picture test refuses any pixel outside it.
namespace palette {

inline constexpr std::uint32_t outline = 0x1c1416;      // the cast's outline
inline constexpr std::uint32_t pineInk = 0x1c2a1e;      // pine and leafy-cloth outline
inline constexpr std::uint32_t ink = 0x2c2533;          // hair, roof ridges, dark cloth
inline constexpr std::uint32_t navy = 0x2f3552;         // the ninja's suit
inline constexpr std::uint32_t indigo = 0x3b4a7a;       // dark blue cloth
inline constexpr std::uint32_t slate = 0x5d6987;        // blue-grey cloth, roof tiles
inline constexpr std::uint32_t slateLight = 0x7e8aa8;   // blue-grey cloth, lit
inline constexpr std::uint32_t royal = 0x3a64b4;        // bright blue cloth
inline constexpr std::uint32_t sky = 0x3c8ad8;          // tears, sparkles
inline constexpr std::uint32_t ice = 0x9fc3e8;          // the blade's pale edge
inline constexpr std::uint32_t grey = 0x9aa0a8;         // grey cloth, lantern stone
inline constexpr std::uint32_t haze = 0xa8b0c0;         // far hills, upper sky
inline constexpr std::uint32_t mist = 0xb8c4da;         // headbands, sky
inline constexpr std::uint32_t mistLight = 0xd8dce4;    // sky, light cloth
inline constexpr std::uint32_t cream = 0xe8e2d0;        // plaster shade, gravel
inline constexpr std::uint32_t paper = 0xf4f0e0;        // plaster, paper
inline constexpr std::uint32_t white = 0xffffff;        // blade, eyes, cloud tops
inline constexpr std::uint32_t skin = 0xf2c8a0;         // skin, the horizon
inline constexpr std::uint32_t skinShade = 0xd99f78;    // skin in shade
inline constexpr std::uint32_t blood = 0x96121e;        // dark red
inline constexpr std::uint32_t crimson = 0xb0202e;      // red cloth, mouths
inline constexpr std::uint32_t red = 0xd8262a;          // lantern, icon disc
inline constexpr std::uint32_t vermilion = 0xf0584a;    // lantern glow, icon disc lit
inline constexpr std::uint32_t needleDark = 0x587e55;   // pine, shade
inline constexpr std::uint32_t needle = 0x7fa476;       // pine
inline constexpr std::uint32_t needleLight = 0xa3c491;  // pine, lit
inline constexpr std::uint32_t oliveDark = 0x3e4838;    // olive cloth, shade
inline constexpr std::uint32_t gold = 0xf0c040;         // gold
inline constexpr std::uint32_t goldDark = 0xb08420;     // gold, shade
inline constexpr std::uint32_t straw = 0xd8b868;        // straw hats
inline constexpr std::uint32_t lamp = 0xffd870;         // lantern light
inline constexpr std::uint32_t lampLight = 0xffeeb0;    // lantern light, bright
inline constexpr std::uint32_t bark = 0x6e4624;         // bark, dark wood
inline constexpr std::uint32_t wood = 0x8a5a32;         // wood
inline constexpr std::uint32_t barkLight = 0xa8733e;    // light wood
inline constexpr std::uint32_t boardShade = 0x9a7f5a;   // board shade
inline constexpr std::uint32_t board = 0xc4ab82;        // boards
inline constexpr std::uint32_t beige = 0xd9ccae;        // beige cloth, boards lit
inline constexpr std::uint32_t stone = 0x8e8470;        // stone, drab cloth
inline constexpr std::uint32_t plum = 0x6b4a6e;         // plum cloth
inline constexpr std::uint32_t violet = 0x7a4a9a;       // violet cloth
inline constexpr std::uint32_t pink = 0xe0487a;         // pink cloth
inline constexpr std::uint32_t blush = 0xec8a8a;        // cheeks, tongue
inline constexpr std::uint32_t rose = 0xf0a8c0;         // light pink

// Drawn by the window itself: the red of the limit line, which the mark of a
// lost life shares with `crimson`, `white` and `outline`.
inline constexpr std::uint32_t limitRed = 0xff0000;

inline constexpr std::array all = {
    outline,   pineInk,  ink,     navy, indigo,    slate,      slateLight, royal,       sky,
    ice,       grey,     haze,    mist, mistLight, cream,      paper,      white,       skin,
    skinShade, blood,    crimson, red,  vermilion, needleDark, needle,     needleLight, oliveDark,
    gold,      goldDark, straw,   lamp, lampLight, bark,       wood,       barkLight,   boardShade,
    board,     beige,    stone,   plum, violet,    pink,       blush,      rose,        limitRed,
};

}  // namespace palette

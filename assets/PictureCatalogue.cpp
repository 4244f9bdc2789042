#include "PictureCatalogue.h"

#include "Pictures.h"

#include <array>

namespace pictures {
namespace {

constexpr QSize sprite{32, 32};

const std::array entries{
    Entry{"target", target, Kind::Sprite, sprite, "Image1–5, Image12", "", nullptr},
    Entry{"bonus", bonus, Kind::Sprite, sprite, "Image6, Image8, Image24", "", nullptr},
    Entry{"bonus_cut", bonusCut, Kind::Sprite, sprite, "Image7, Image25", "", "bonus"},
    Entry{"hidden", hidden, Kind::Sprite, sprite, "Image9, Image10, Image23", "", nullptr},
    Entry{"hidden_found", hiddenFound, Kind::Sprite, sprite, "Image11, Image22", "", "hidden"},
    Entry{"ura_target_1", uraTarget1, Kind::Sprite, sprite, "Image15", "Image1", nullptr},
    Entry{"ura_target_2", uraTarget2, Kind::Sprite, sprite, "Image13", "Image2", nullptr},
    Entry{"ura_target_3", uraTarget3, Kind::Sprite, sprite, "Image18", "Image3, Image5", nullptr},
    Entry{"ura_target_4", uraTarget4, Kind::Sprite, sprite, "Image14", "Image4", nullptr},
    Entry{"ura_bonus", uraBonus, Kind::Sprite, sprite, "Image17", "", nullptr},
    Entry{"ura_bonus_cut", uraBonusCut, Kind::Sprite, sprite, "Image21", "", "ura_bonus"},
    Entry{"ura_hidden", uraHidden, Kind::Sprite, sprite, "Image20", "", nullptr},
    Entry{"ura_hidden_found", uraHiddenFound, Kind::Sprite, sprite, "Image19", "", "ura_hidden"},
    Entry{"slash", slash, Kind::Sprite, sprite, "cut marks, for a moment after a cut", "", nullptr},
    Entry{"breach", breach, Kind::Sprite, QSize{40, 21},
          "the limit line, for a moment after a lost life", "", nullptr},
    Entry{"spare_16", spare16, Kind::Sprite, sprite, "Image16", "", nullptr},
    Entry{"spare_26", spare26, Kind::Opaque, sprite, "Image26", "", nullptr},
    Entry{"cursor", cursor, Kind::Cursor, sprite, "mouse cursor", "", nullptr},
    Entry{"icon", icon, Kind::Icon, sprite, "window icon, version dialog", "", nullptr},
    Entry{"scene", scene, Kind::Scene, QSize{417, 250}, "background", "", nullptr},
};

}  // namespace

std::span<const Entry> catalogue() { return entries; }

}  // namespace pictures

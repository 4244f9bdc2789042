#pragma once

class QImage;

// Resource paths of every picture of the game. The pictures are compiled into
// the zanrai_assets library as 32-bit BMPs whose pixels are already in the
// form the game draws; linking the library is all a program has to do before
// loading them with load() below, or with QImage, QPixmap or QIcon.
namespace pictures {

// The picture at a path below, its pixels used where they lie in the
// program: nothing is decoded or copied until the image is changed. Any
// other picture, or one that is not in that form, goes through QImage's
// readers.
QImage load(const char* path);

// 417 x 250, 24-bit: the courtyard behind the targets.
inline constexpr char scene[] = ":/pictures/scene.bmp";
// 32 x 32, transparent: window icon, also shown enlarged in the version dialog.
inline constexpr char icon[] = ":/pictures/icon.bmp";
// 32 x 32, transparent, 16 colours: an upright sword, tip up.
inline constexpr char cursor[] = ":/pictures/cursor.bmp";

// Normal mode, 32 x 32 with transparency.
inline constexpr char target[] = ":/pictures/target.bmp";
inline constexpr char bonus[] = ":/pictures/bonus.bmp";
inline constexpr char bonusCut[] = ":/pictures/bonus_cut.bmp";
inline constexpr char hidden[] = ":/pictures/hidden.bmp";
inline constexpr char hiddenFound[] = ":/pictures/hidden_found.bmp";

// Special mode, 32 x 32 with transparency.
inline constexpr char uraTarget1[] = ":/pictures/ura_target_1.bmp";
inline constexpr char uraTarget2[] = ":/pictures/ura_target_2.bmp";
inline constexpr char uraTarget3[] = ":/pictures/ura_target_3.bmp";
inline constexpr char uraTarget4[] = ":/pictures/ura_target_4.bmp";
inline constexpr char uraBonus[] = ":/pictures/ura_bonus.bmp";
inline constexpr char uraBonusCut[] = ":/pictures/ura_bonus_cut.bmp";
inline constexpr char uraHidden[] = ":/pictures/ura_hidden.bmp";
inline constexpr char uraHiddenFound[] = ":/pictures/ura_hidden_found.bmp";

// 32 x 32, transparent: the sword stroke left for a moment where a cut lands.
inline constexpr char slash[] = ":/pictures/slash.bmp";
// 40 x 21, transparent: the burst left for a moment on the red line where a
// target broke through and cost a life.
inline constexpr char breach[] = ":/pictures/breach.bmp";

// Spares: a paper lantern with transparency, and an opaque 24-bit seal case.
inline constexpr char spare16[] = ":/pictures/spare_16.bmp";
inline constexpr char spare26[] = ":/pictures/spare_26.bmp";

// The cursor's hot spot: the very tip of the blade.
inline constexpr int cursorHotX = 15;
inline constexpr int cursorHotY = 0;

}  // namespace pictures

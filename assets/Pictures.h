#pragma once

// Resource paths of every picture of the game. The pictures are compiled into
// the zanrai_assets library; linking it is all a program has to do before
// loading them with QImage, QPixmap or QIcon.
namespace pictures {

// 417 x 250, 24-bit: the courtyard behind the targets.
inline constexpr char scene[] = ":/pictures/scene.png";
// 32 x 32, transparent: window icon, also shown enlarged in the version dialog.
inline constexpr char icon[] = ":/pictures/icon.xpm";
// 32 x 32, transparent, 16 colours: an upright sword, tip up.
inline constexpr char cursor[] = ":/pictures/cursor.xpm";

// Normal mode, 32 x 32 with transparency.
inline constexpr char target[] = ":/pictures/target.xpm";
inline constexpr char bonus[] = ":/pictures/bonus.xpm";
inline constexpr char bonus_cut[] = ":/pictures/bonus_cut.xpm";
inline constexpr char hidden[] = ":/pictures/hidden.xpm";
inline constexpr char hidden_found[] = ":/pictures/hidden_found.xpm";

// Special mode, 32 x 32 with transparency.
inline constexpr char ura_target_1[] = ":/pictures/ura_target_1.xpm";
inline constexpr char ura_target_2[] = ":/pictures/ura_target_2.xpm";
inline constexpr char ura_target_3[] = ":/pictures/ura_target_3.xpm";
inline constexpr char ura_target_4[] = ":/pictures/ura_target_4.xpm";
inline constexpr char ura_bonus[] = ":/pictures/ura_bonus.xpm";
inline constexpr char ura_bonus_cut[] = ":/pictures/ura_bonus_cut.xpm";
inline constexpr char ura_hidden[] = ":/pictures/ura_hidden.xpm";
inline constexpr char ura_hidden_found[] = ":/pictures/ura_hidden_found.xpm";

// 32 x 32, transparent: the sword stroke left for a moment where a cut lands.
inline constexpr char slash[] = ":/pictures/slash.xpm";
// 40 x 21, transparent: the burst left for a moment on the red line where a
// target broke through and cost a life.
inline constexpr char breach[] = ":/pictures/breach.xpm";

// Spares: a paper lantern with transparency, and an opaque 24-bit seal case.
inline constexpr char spare_16[] = ":/pictures/spare_16.xpm";
inline constexpr char spare_26[] = ":/pictures/spare_26.png";

// The cursor's hot spot: the very tip of the blade.
inline constexpr int cursorHotX = 15;
inline constexpr int cursorHotY = 0;

}  // namespace pictures
